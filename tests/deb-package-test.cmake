# Builds the Debian packages of the build at BUILD_DIR into WORK_DIR, checks what they hold and
# need, unpacks both into a scratch root (as installing would, without touching the machine),
# builds and runs the host project at CONSUMER_DIR against it and runs the unpacked tool. Any
# failing step or check fails the test.
function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "step failed (${result}): ${ARGN}\n${output}")
  endif()
  set(step_output "${output}" PARENT_SCOPE)
endfunction()

# Fails unless `text` matches every regular expression that follows.
function(expect_all what text)
  foreach(pattern IN LISTS ARGN)
    if(NOT text MATCHES "${pattern}")
      message(FATAL_ERROR "${what} lacks ${pattern}:\n${text}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run_step(cpack --config ${BUILD_DIR}/CPackConfig.cmake -G DEB -B ${WORK_DIR}/packages)
set(runtime ${WORK_DIR}/packages/vudoda_${VERSION}_amd64.deb)
set(dev ${WORK_DIR}/packages/vudoda-dev_${VERSION}_amd64.deb)

run_step(dpkg-deb --contents ${runtime})
set(libraries "")
foreach(library vudoda vudoda_platform qnutil qnutilex vudoda_link vudoda_recording vudoda_strip vudoda_web
        vudoda_registry vudoda_hospital vudoda_ward)
  list(APPEND libraries " \\./usr/lib/lib${library}\\.so\\.0 -> lib${library}\\.so\\.${VERSION}\n"
       " \\./usr/lib/lib${library}\\.so\\.${VERSION}\n")
endforeach()
expect_all("the runtime package" "${step_output}" ${libraries}
  " \\./usr/bin/vudoda\n" " \\./usr/lib/LANG_GER\\.dll\n" " \\./usr/lib/LANG_CHN\\.dll\n"
  " \\./usr/share/man/man1/vudoda\\.1\\.gz\n" " \\./usr/share/bash-completion/completions/vudoda\n"
  " \\./usr/share/vudoda/schema/sqlite\\.sql\n" " \\./usr/share/vudoda/www/login\\.html\n"
  " \\./usr/share/vudoda/www/ward\\.js\n")
string(REGEX MATCHALL "/LANG_[A-Z]+\\.dll\n" languages "${step_output}")
list(LENGTH languages language_count)
if(NOT language_count EQUAL 13)
  message(FATAL_ERROR "the runtime package holds ${language_count} language libraries, not 13")
endif()
if(step_output MATCHES "\\.so -> |/include/")
  message(FATAL_ERROR "the runtime package holds what a host builds with:\n${step_output}")
endif()
run_step(dpkg-deb --field ${runtime} Depends)
expect_all("the runtime package's dependencies" "${step_output}" "libsqlite3-0" "libsodium23" "libssl3")

run_step(dpkg-deb --contents ${dev})
expect_all("the dev package" "${step_output}" " \\./usr/lib/libvudoda\\.so -> libvudoda\\.so\\.0\n"
  " \\./usr/include/vudoda/web/WardService\\.h\n"
  " \\./usr/include/vudoda/packet/PKBase\\.h\n" " \\./usr/include/vudoda/database/TBLUser\\.h\n"
  " \\./usr/lib/cmake/VuDoda/VuDodaConfig\\.cmake\n" " \\./usr/lib/cmake/VuDoda/VuDodaTargets\\.cmake\n")
run_step(dpkg-deb --field ${dev} Depends)
expect_all("the dev package's dependencies" "${step_output}" "^vudoda \\(= ${VERSION}\\)")

set(root ${WORK_DIR}/root)
run_step(dpkg-deb -x ${runtime} ${root})
run_step(dpkg-deb -x ${dev} ${root})
run_step(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${root}/usr)
run_step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run_step(${WORK_DIR}/build/consumer)
run_step(${WORK_DIR}/build/strip_host)

run_step(${root}/usr/bin/vudoda --version)
if(NOT step_output STREQUAL "vudoda ${VERSION}\n")
  message(FATAL_ERROR "the unpacked tool says '${step_output}'")
endif()
# Installed, /usr/lib is on the library path that loads the language libraries by name.
run_step(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${root}/usr/lib ${root}/usr/bin/vudoda maps on_off --language 5)
expect_all("German map texts from the unpacked tool" "${step_output}" "\"Ein\"")
