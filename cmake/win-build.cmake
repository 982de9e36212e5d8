# The Windows program, the sample client's stand-ins and the Windows tests.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Static runtime: the program runs on a bare Windows without MinGW DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600 NOMINMAX)

# Release: unused functions and data dropped at link time, symbols and debug information stripped,
# no link time stamp in the header (the same sources give the same bytes).
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-s -Wl,--gc-sections -Wl,--no-insert-timestamp)
endif()

# UNINSTALL_PROGRAM_ONLY builds Uninstall.exe alone (the release build): no sample client, no
# Windows tests, no benchmarks.
option(UNINSTALL_PROGRAM_ONLY "Build only Uninstall.exe" OFF)

# "uninstall_version.h": the version from the file VERSION, for the version resource and the code.
configure_file(${CMAKE_SOURCE_DIR}/ui/res/uninstall_version.h.in
  ${CMAKE_BINARY_DIR}/generated/uninstall_version.h @ONLY)

# Every source of the product except the entry point and the application object goes into one
# library, so the Windows tests link exactly the code the program runs.
file(GLOB PRODUCT_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/framework/*.cpp
  ${CMAKE_SOURCE_DIR}/app/*.cpp
  ${CMAKE_SOURCE_DIR}/language/*.cpp
  ${CMAKE_SOURCE_DIR}/ui/*.cpp
  ${CMAKE_SOURCE_DIR}/procedures/*.cpp
  ${CMAKE_SOURCE_DIR}/cleanup/*/*.cpp)
list(FILTER PRODUCT_SOURCES EXCLUDE REGEX "(_host\\.cpp|/app/main\\.cpp|/framework/entry_point\\.cpp|/framework/runtime_locks\\.cpp)$")
add_library(uninstall_core STATIC ${PRODUCT_SOURCES})
target_include_directories(uninstall_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_compile_options(uninstall_core PRIVATE ${PROJECT_WARNINGS})
target_link_libraries(uninstall_core PUBLIC
  shell32 ole32 uuid gdi32 user32 advapi32 kernel32)

set(PRODUCT_RESOURCES ${CMAKE_SOURCE_DIR}/ui/res/uninstall.rc)
# The resource compiler's inputs besides the script: a changed manifest, picture or icon rebuilds it.
file(GLOB PRODUCT_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/res/*.manifest ${CMAKE_SOURCE_DIR}/ui/res/*.bmp
     ${CMAKE_SOURCE_DIR}/ui/res/*.ico ${CMAKE_SOURCE_DIR}/ui/res/*.rc ${CMAKE_SOURCE_DIR}/ui/res/*.h)
set_source_files_properties(${PRODUCT_RESOURCES} PROPERTIES OBJECT_DEPENDS "${PRODUCT_RESOURCE_FILES}")

# The runtime's locks on Windows 95, 98 and Me (framework/runtime_locks.cpp) go into the program
# itself: they replace an import pointer, which an object of a library would not reliably do.
set(PRODUCT_PROGRAM_SOURCES ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/framework/entry_point.cpp
    ${CMAKE_SOURCE_DIR}/framework/runtime_locks.cpp)
add_executable(Uninstall WIN32 ${PRODUCT_PROGRAM_SOURCES} ${PRODUCT_RESOURCES})
target_compile_options(Uninstall PRIVATE ${PROJECT_WARNINGS})
target_link_libraries(Uninstall PRIVATE uninstall_core)
set_target_properties(Uninstall PROPERTIES OUTPUT_NAME "Uninstall")

# The program must start on every Windows it names: its load-time imports are checked against the
# table of what Windows 95 and NT 4.0 export.
add_test(NAME load_time_imports
         COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:Uninstall> -DTABLE=${CMAKE_SOURCE_DIR}/docs/IMPORTS.txt
                 -DOBJDUMP=${CMAKE_OBJDUMP} -P ${CMAKE_SOURCE_DIR}/tests/check_imports.cmake)

if(NOT UNINSTALL_PROGRAM_ONLY)
  # Benchmarks that run inside Wine (scripts/bench.sh runs them).
  add_executable(bench_file_phase bench/file_phase_bench.cpp)
  target_compile_options(bench_file_phase PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(bench_file_phase PRIVATE uninstall_core)
  # Start to first visible window: any program, and the minimal dialog program as the anchor.
  add_executable(bench_first_window bench/first_window_bench.cpp)
  target_compile_options(bench_first_window PRIVATE ${PROJECT_WARNINGS})
  add_executable(minimal_dialog WIN32 bench/minimal_dialog.cpp bench/minimal_dialog.rc)
  target_compile_options(minimal_dialog PRIVATE ${PROJECT_WARNINGS})
  target_include_directories(minimal_dialog PRIVATE ${CMAKE_SOURCE_DIR})

  add_subdirectory(sample-client)
  add_subdirectory(tests/win)
endif()
