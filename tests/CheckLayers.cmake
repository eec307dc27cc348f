# The layers of the tree, lowest first: a folder may include headers of its own layer and of the
# layers below it, and a library may link the libraries of those layers; never one above.
#   cmake -DSOURCE_DIR=<tree> -DLINKS_FILE=<build>/layers/links.txt -P CheckLayers.cmake
# LINKS_FILE holds one line per library, "target: linked;libraries", written at configure time.
# Any arrow that points upward is listed, and the check fails.
set(layers
  "platform"
  "qnutil qnutilex"
  "packet database util config constmap res"
  "link"
  "recording"
  "strip"
  "registry web hospital"
  "ward"
  "tools")
# The library each folder builds, for the link check.
set(library_folders
  "vudoda_platform=platform" "qnutil=qnutil" "qnutilex=qnutilex" "vudoda=packet"
  "vudoda_link=link" "vudoda_recording=recording" "vudoda_strip=strip" "vudoda_web=web"
  "vudoda_hospital=hospital"
  "vudoda_registry=registry" "vudoda_ward=ward"
  "vudoda_tool_core=tools")

set(rank 0)
foreach(layer IN LISTS layers)
  separate_arguments(folders UNIX_COMMAND "${layer}")
  foreach(folder IN LISTS folders)
    set(rank_of_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

set(violations "")

# Includes: every "folder/Header.h" that a source of a layered folder names.
foreach(layer IN LISTS layers)
  separate_arguments(folders UNIX_COMMAND "${layer}")
  foreach(folder IN LISTS folders)
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
      file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([a-z]+)/.*$" "\\1" target "${line}")
        if(DEFINED rank_of_${target} AND rank_of_${target} GREATER rank_of_${folder})
          string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
          list(APPEND violations "${source} includes ${header}, a layer above ${folder}/")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

# Links: what each library of a layered folder links.
foreach(pair IN LISTS library_folders)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 library)
  list(GET pair 1 folder)
  set(folder_of_${library} ${folder})
endforeach()
file(STRINGS ${LINKS_FILE} link_lines)
foreach(line IN LISTS link_lines)
  string(REGEX REPLACE "^([^:]*): .*$" "\\1" library "${line}")
  string(REGEX REPLACE "^[^:]*: ?" "" linked "${line}")
  if(NOT DEFINED folder_of_${library})
    continue()
  endif()
  set(folder ${folder_of_${library}})
  foreach(dependency IN LISTS linked)
    if(NOT DEFINED folder_of_${dependency})
      continue()
    endif()
    set(dependency_folder ${folder_of_${dependency}})
    if(rank_of_${dependency_folder} GREATER rank_of_${folder})
      list(APPEND violations "${library} links ${dependency}, a library of a layer above ${folder}/")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " listed)
  message(FATAL_ERROR "Arrows that run upward (layers, lowest first: ${layers}):\n  ${listed}")
endif()
list(LENGTH link_lines libraries)
message(STATUS "Every include and link runs downward (${libraries} libraries checked)")
