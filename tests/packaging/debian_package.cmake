# Makes the Debian package with cpack, checks its control data, unpacks it
# into a scratch root with dpkg -x and runs the unpacked programs on the
# example site the package carries.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(result)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

foreach(tool dpkg dpkg-deb dpkg-shlibdeps)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "${tool} is missing: run scripts/setup --tests")
  endif()
endforeach()

run(dpkg --print-architecture)
string(STRIP "${out}" arch)
run(${CPACK} -G DEB -B ${WORK_DIR} --config ${BUILD_DIR}/CPackConfig.cmake)
set(deb ${WORK_DIR}/korvex_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  file(GLOB made ${WORK_DIR}/*.deb)
  message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
endif()

# The dependencies come from the libraries the programs link, not from a
# hand-written list; the private libraries beside the programs are not
# dependencies.
run(dpkg-deb -f ${deb} Package Version Depends)
foreach(expected "Package: korvex" "Version: ${VERSION}" "libc6 " "libqt6widgets6 " "libturbojpeg0 "
                 "libassimp5 " "libembree3-3 " "libproj25 ")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the control data lacks \"${expected}\":\n${out}")
  endif()
endforeach()
if(out MATCHES "korvexcore|korvexrender")
  message(FATAL_ERROR "a private library became a dependency:\n${out}")
endif()

# The databases of MIME types and desktop entries are updated on install.
run(dpkg-deb -e ${deb} ${WORK_DIR}/control)
file(READ ${WORK_DIR}/control/triggers triggers)
if(NOT triggers MATCHES "/usr/share/mime/packages" OR NOT triggers MATCHES "/usr/share/applications")
  message(FATAL_ERROR "the package does not trigger the MIME and desktop databases:\n${triggers}")
endif()
file(READ ${WORK_DIR}/control/postinst postinst)
if(NOT postinst MATCHES "update-mime-database" OR NOT postinst MATCHES "update-desktop-database")
  message(FATAL_ERROR "postinst does not update the databases")
endif()

set(root ${WORK_DIR}/root)
run(dpkg -x ${deb} ${root})
foreach(path usr/share/applications/korvex.desktop usr/share/icons/hicolor/scalable/apps/korvex.svg
             usr/share/mime/packages/korvex.xml usr/share/man/man1/korvex.1.gz usr/share/man/man1/korvex-cli.1.gz
             usr/lib/korvex/FilePlugin/ink.so usr/lib/korvex/FilePlugin/assimp_obj.so usr/lib/korvex/korvex-import
             usr/lib/korvex/translations/korvex_en.qm
             usr/share/korvex/examples/riverside/plan1/site.k3d)
  if(NOT EXISTS ${root}/${path})
    message(FATAL_ERROR "missing from the package: ${path}")
  endif()
endforeach()
foreach(page korvex korvex-cli)
  run(gzip -dc ${root}/usr/share/man/man1/${page}.1.gz)
  string(TOUPPER ${page} title)
  if(NOT out MATCHES "\\.TH ${title} 1" OR NOT out MATCHES "Korvex ${VERSION}")
    message(FATAL_ERROR "the manual page of ${page} is not filled in:\n${out}")
  endif()
endforeach()

# The unpacked programs run from the scratch root: nothing of the build
# tree on the library path.
set(ENV{LD_LIBRARY_PATH} "")
set(cli ${root}/usr/bin/korvex-cli)
run(${cli} --version)
if(NOT out STREQUAL "korvex-cli ${VERSION}\n")
  message(FATAL_ERROR "korvex-cli --version says: ${out}")
endif()
run(${root}/usr/bin/korvex --version)
if(NOT out STREQUAL "korvex ${VERSION}\n")
  message(FATAL_ERROR "korvex --version says: ${out}")
endif()
set(site ${root}/usr/share/korvex/examples/riverside/plan1/site.k3d)
run(${cli} dump ${site})
if(NOT out MATCHES "方位" OR NOT out MATCHES "補助線")
  message(FATAL_ERROR "the unpacked korvex-cli read the sample wrongly:\n${out}")
endif()
# A picture goes through the unpacked rendering library; ".ink" through the
# unpacked ink plug-in.
run(${cli} render ${site} -o ${WORK_DIR}/site.jpg --size 160x120)
run(${cli} convert ${site} ${WORK_DIR}/site.ink)
foreach(file site.jpg site.ink)
  file(SIZE ${WORK_DIR}/${file} size)
  if(size EQUAL 0)
    message(FATAL_ERROR "the unpacked korvex-cli wrote an empty ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
