# The folders of the product stand in layers, and an #include "folder/..." may only reach the
# own folder or one below: app over procedures, procedures over ui and the clean-up, those over
# language, language over framework. The clean-up stands in layers of its own: the client's own
# steps over the processes and the files with their removal, the files over trust (the path rule,
# security and judged files), and all of them over the report of what became of each thing.
# Run as: cmake -DROOT=<source folder> -P check_layers.cmake
cmake_minimum_required(VERSION 3.20)

set(cleanup_all cleanup/steps cleanup/processes cleanup/files cleanup/trust cleanup/report)
set(allowed_app app procedures ui ${cleanup_all} language framework)
set(allowed_procedures procedures ui ${cleanup_all} language framework)
set(allowed_ui ui language framework)
set(allowed_cleanup/steps ${cleanup_all} language framework)
set(allowed_cleanup/processes cleanup/processes cleanup/report language framework)
set(allowed_cleanup/files cleanup/files cleanup/trust cleanup/report language framework)
set(allowed_cleanup/trust cleanup/trust cleanup/report language framework)
set(allowed_cleanup/report cleanup/report language framework)
set(allowed_language language framework)
set(allowed_framework framework)

set(violations 0)
foreach(folder app procedures ui ${cleanup_all} language framework)
  file(GLOB sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_-]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"(([a-z_-]+)/[^\"]*)\".*" "\\1" included "${line}")
      # The layer an include reaches: its folder, and for the clean-up its sub-folder.
      if(included MATCHES "^cleanup/([a-z_-]+)/")
        set(target "cleanup/${CMAKE_MATCH_1}")
      else()
        string(REGEX REPLACE "/.*" "" target "${included}")
      endif()
      if(NOT target IN_LIST allowed_${folder})
        file(RELATIVE_PATH name ${ROOT} ${source})
        message(SEND_ERROR "${name}: ${folder}/ may not include ${target}/ (${included})")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
# No source of the product lies in the clean-up's own folder: each belongs to one of its layers.
file(GLOB loose ${ROOT}/cleanup/*.h ${ROOT}/cleanup/*.cpp)
foreach(source ${loose})
  file(RELATIVE_PATH name ${ROOT} ${source})
  message(SEND_ERROR "${name}: the clean-up's sources belong in one of its layers' folders")
  math(EXPR violations "${violations} + 1")
endforeach()
if(violations EQUAL 0)
  message(STATUS "include layers: no folder includes one above it")
endif()
