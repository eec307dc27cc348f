# `make package`: the Debian packages vudoda_<version>_amd64.deb (component "runtime") and
# vudoda-dev_<version>_amd64.deb (component "dev", which needs the first), built by CPack from
# the install rules. The runtime package's dependencies are read from the libraries and the
# tool by dpkg-shlibdeps (SQLite, libsodium, and whatever a library links later).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vudoda)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR VuDoda)
set(CPACK_PACKAGE_CONTACT "VuDoda developers <dev@vudoda.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data management of a central station for fetal monitors")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME vudoda)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "The libraries that decode the monitor link, keep the station configuration and the patient database, their language libraries, and the vudoda tool.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME vudoda-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "vudoda (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "The headers and the CMake package for hosts that build against the VuDoda libraries: find_package(VuDoda CONFIG REQUIRED) and VuDoda::vudoda.")
include(CPack)
