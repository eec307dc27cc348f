# Install rules and the CMake package: after `cmake --install`, a host calls
# find_package(VuDoda CONFIG REQUIRED) and links VuDoda::vudoda, exactly as it would link the
# target of the same name when it adds this tree with add_subdirectory.
# Two components, the two Debian packages of `make package`: "runtime" is what a station runs
# (the libraries with their SONAME links, the language libraries, the tool with its manual page
# and completion, the schema); "dev" is what a host builds with (the headers, the libraries'
# unversioned links, the CMake package).
include(CMakePackageConfigHelpers)

set(VUDODA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VuDoda)

install(TARGETS vudoda_platform qnutil qnutilex vudoda vudoda_link vudoda_recording vudoda_strip vudoda_web
  vudoda_registry vudoda_hospital vudoda_ward vudoda_station
  EXPORT VuDodaTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vudoda)

# Headers keep their folder under include/vudoda, so `#include "packet/PKBase.h"` reads the
# same in the tree and against the installed package.
# Headers that only the libraries' own sources include (the database engines behind QnAdo, the
# window registry, the format readers and writers behind RecordingReader and RecordingWriter,
# the engine's bed sessions, its admissions, the ward around it and the helpers behind them, the hospital side's
# connections and file helpers) stay out of the package: their classes
# are not exported, so a host could include them but never link them. The row classes' column
# lists are installed: a host that moves or compares whole rows (as DatabaseCopy does) walks the
# same list as the classes.
foreach(folder platform qnutil qnutilex packet database config constmap util link recording strip registry hospital ward)
  install(DIRECTORY ${folder}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vudoda/${folder} COMPONENT dev
    FILES_MATCHING PATTERN "*.h"
    PATTERN "Db*.h" EXCLUDE
    PATTERN "SqliteEngine.h" EXCLUDE
    PATTERN "PostgresEngine.h" EXCLUDE
    PATTERN "WindowRecord.h" EXCLUDE
    PATTERN "RecordFile.h" EXCLUDE
    PATTERN "FhrReader.h" EXCLUDE
    PATTERN "CsvReader.h" EXCLUDE
    PATTERN "WfdbReader.h" EXCLUDE
    PATTERN "FhrWriter.h" EXCLUDE
    PATTERN "CsvWriter.h" EXCLUDE
    PATTERN "WfdbWriter.h" EXCLUDE
    PATTERN "BedHost.h" EXCLUDE
    PATTERN "BedSession.h" EXCLUDE
    PATTERN "BedNumerics.h" EXCLUDE
    PATTERN "LinkPiece.h" EXCLUDE
    PATTERN "StudyAdmission.h" EXCLUDE
    PATTERN "PrivateFolder.h" EXCLUDE
    PATTERN "LocalTimeText.h" EXCLUDE
    PATTERN "StationWard.h" EXCLUDE
    PATTERN "WardWeb.h" EXCLUDE
    PATTERN "WardHospital.h" EXCLUDE
    PATTERN "WardPatients.h" EXCLUDE
    PATTERN "WardObserver.h" EXCLUDE
    PATTERN "WardControl.h" EXCLUDE
    PATTERN "MllpSession.h" EXCLUDE
    PATTERN "UniqueStamp.h" EXCLUDE
    PATTERN "schema" EXCLUDE)
endforeach()

# The web side installs its interface only: what the ward implements and calls, and the types
# they pass; its connections, router and JSON stay inside the library.
install(FILES web/WebApi.h web/WardServer.h web/WardServerOptions.h web/WardServerStatus.h web/WardService.h
        web/WebRoute.h web/BedView.h web/WardAlarm.h web/TraceBatch.h web/BedTrace.h web/MonitoredPatient.h
        web/AuditEntry.h web/ServiceResult.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vudoda/web COMPONENT dev)
# The ward's pages, which the web side serves (WardServer::DefaultWwwFolder finds them).
install(DIRECTORY web/www/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vudoda/www COMPONENT runtime)

# The CREATE TABLE scripts, for a host or an installer that creates a station's database.
install(FILES database/schema/sqlite.sql database/schema/postgresql.sql
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vudoda/schema COMPONENT runtime)

# The language libraries are loaded by name at run time, never linked: beside the libraries,
# where the platform's library search finds them.
if(VUDODA_LANGUAGE_LIBRARIES)
  install(TARGETS ${VUDODA_LANGUAGE_LIBRARIES} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
endif()

install(EXPORT VuDodaTargets
  NAMESPACE VuDoda::
  DESTINATION ${VUDODA_CMAKE_DIR}
  COMPONENT dev)

configure_package_config_file(cmake/VuDodaConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VuDodaConfig.cmake
  INSTALL_DESTINATION ${VUDODA_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VuDodaConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VuDodaConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VuDodaConfigVersion.cmake
  DESTINATION ${VUDODA_CMAKE_DIR}
  COMPONENT dev)

if(VUDODA_BUILD_TOOLS)
  install(TARGETS vudoda_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  install(FILES ${VUDODA_MANUAL_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
  install(FILES ${VUDODA_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    COMPONENT runtime)
endif()

include(cmake/VuDodaPackage.cmake)
