# Pure code on the host: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# libFuzzer targets (clang) and benchmarks.
set(SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

list(TRANSFORM PURE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
list(TRANSFORM PURE_SOURCES_HOST PREPEND ${CMAKE_SOURCE_DIR}/)
set(HOST_PURE_SOURCES ${PURE_SOURCES} ${PURE_SOURCES_HOST})

add_library(pure_checked STATIC ${HOST_PURE_SOURCES})
target_include_directories(pure_checked PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(pure_checked PUBLIC ${SANITIZERS} PRIVATE ${PROJECT_WARNINGS})
target_link_options(pure_checked PUBLIC ${SANITIZERS})

add_subdirectory(tests/host)
add_subdirectory(bench)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_subdirectory(fuzz)
endif()
