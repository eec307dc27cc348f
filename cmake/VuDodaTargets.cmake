# Settings that every target of the project shares.

# Warnings are errors in our own code; they are not imposed on a host through the package.
function(vudoda_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# A shared library of the project: C++20, includes from the repository root (installed:
# from include/vudoda), versioned, warnings as errors.
function(vudoda_library_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/vudoda>)
  # Installed, the libraries find one another beside themselves, wherever the prefix is.
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  vudoda_warnings(${target})
  # Calls between a library's own exported functions (a getter inside IsValidData, say) go
  # straight to the function instead of through the symbol table: no host may interpose them.
  target_compile_options(${target} PRIVATE -fno-semantic-interposition)
endfunction()

# Sources of a folder, picked up by name so that a new class needs no build edit.
function(vudoda_add_folder_sources target folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  target_sources(${target} PRIVATE ${sources})
endfunction()

# A library of the station layer, built from every source of its folder: libvudoda_<name>.so,
# VuDoda::<name> in the tree and in the package.
function(vudoda_station_library name)
  set(target vudoda_${name})
  add_library(${target} SHARED)
  add_library(VuDoda::${name} ALIAS ${target})
  vudoda_library_defaults(${target})
  vudoda_add_folder_sources(${target} ${CMAKE_CURRENT_SOURCE_DIR})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
endfunction()

# A target that talks over sockets: Boost.Asio (header-only) and threads. The station uses no
# coroutines, and Boost 1.74's coroutine header does not build with GCC 12, so they are off.
function(vudoda_use_asio target)
  find_package(Boost 1.74 REQUIRED)
  find_package(Threads REQUIRED)
  target_link_libraries(${target} PRIVATE Boost::headers Threads::Threads)
  target_compile_definitions(${target} PRIVATE BOOST_ASIO_NO_DEPRECATED BOOST_ASIO_DISABLE_CO_AWAIT)
endfunction()
