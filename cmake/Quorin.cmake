# Helpers shared by every module, test, benchmark and fuzz target.

# Warnings are errors for our own code only; Qt's headers come in as system headers.
function(quorin_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
endfunction()

# quorin_add_library(<name> SOURCES ... DEPS ...)
# A static library whose headers are included as "module/Header.h" from src/.
function(quorin_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  quorin_target_defaults(${name})
  set_property(GLOBAL APPEND PROPERTY QUORIN_LIBRARIES ${name})
endfunction()

# quorin_add_test(<name> SOURCES ... DEPS ... [LABELS ...] [TIMEOUT s])
# One QtTest executable registered with ctest; GUI tests run offscreen.
function(quorin_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test)
  target_compile_definitions(${name} PRIVATE
    QUORIN_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    QUORIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUORIN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  quorin_target_defaults(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}")
endfunction()

# quorin_add_bench(<name> SOURCES ... DEPS ...)
# Benchmarks print their figures; they are never part of ctest.
function(quorin_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  quorin_target_defaults(${name})
  set_property(GLOBAL APPEND PROPERTY QUORIN_BENCHMARKS ${name})
endfunction()

# quorin_add_fuzzer(<name> SOURCES ... DEPS ... [CORPUS dir])
# A libFuzzer target (clang only); the CORPUS folder seeds the run in CI.
function(quorin_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  quorin_target_defaults(${name})
  if(ARG_CORPUS)
    set_property(TARGET ${name} PROPERTY QUORIN_CORPUS ${ARG_CORPUS})
  endif()
  file(APPEND ${PROJECT_BINARY_DIR}/fuzzers.txt "${name} ${ARG_CORPUS}\n")
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt.
function(quorin_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
