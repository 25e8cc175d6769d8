# Installs the build into a scratch prefix and runs the installed programs
# through their bin/ links: the programs find their libraries and the file
# plug-ins in lib/korvex, wherever the prefix lies.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "install failed")
endif()
set(prefix ${WORK_DIR}/prefix)
foreach(path lib/korvex/FilePlugin/ink.so lib/korvex/ExtPlugin lib/korvex/Texture lib/korvex/BillboardTex
             lib/korvex/libkorvexcore.so lib/korvex/libkorvexrender.so share/applications/korvex.desktop
             share/icons/hicolor/scalable/apps/korvex.svg share/mime/packages/korvex.xml)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "missing from the installed tree: ${path}")
  endif()
endforeach()
foreach(program korvex korvex-cli)
  if(NOT IS_SYMLINK ${prefix}/bin/${program} OR NOT EXISTS ${prefix}/lib/korvex/${program})
    message(FATAL_ERROR "bin/${program} is not a link to lib/korvex/${program}")
  endif()
endforeach()
execute_process(COMMAND ${prefix}/bin/korvex-cli dump ${EXAMPLE_SITE}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(result OR NOT out MATCHES "方位" OR NOT out MATCHES "補助線")
  message(FATAL_ERROR "installed korvex-cli dump failed (${result}): ${err}")
endif()
# Writing ".ink" takes the ink plug-in from the installed FilePlugin folder.
execute_process(COMMAND ${prefix}/bin/korvex-cli convert ${EXAMPLE_SITE} ${WORK_DIR}/site.ink
                RESULT_VARIABLE result ERROR_VARIABLE err)
if(result OR NOT EXISTS ${WORK_DIR}/site.ink)
  message(FATAL_ERROR "installed korvex-cli found no ink plug-in (${result}): ${err}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
