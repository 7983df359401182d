# Warnings and sanitizers, applied to every target of ours through tessaline_setup_target().

function(tessaline_setup_target target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(TESSALINE_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
      -Wconversion -Wno-sign-conversion -Wformat=2 -Wimplicit-fallthrough)
    if(TESSALINE_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

if(TESSALINE_SANITIZE AND NOT MSVC)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Test registration: every test of tests/ is registered through tessaline_add_gtest or
# tessaline_add_test, which give it its labels and its environment (tests/CMakeLists.txt says
# what the labels mean). The scripts choose tests by these labels, and a bare ctest gets from
# them all that the tests need, the sanitizers' options and suppressions included.
set(TESSALINE_TEST_KINDS core window system)

# The sanitizers' options for every test of a sanitizer build, and for the programs it starts.
# The suppressions hold third-party leaks only, each with its reason.
set(TESSALINE_SANITIZER_ENVIRONMENT
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/../tests/lsan.supp")

# Sets <labels_var> to the kind and the test's folder below tests/ (real_writer for
# tests/real_writer/emulator), and <environment_var> to the sanitizer build's variables, Qt's
# offscreen platform for the Qt window's tests, then the caller's own.
function(tessaline_test_setup labels_var environment_var kind)
  if(NOT kind IN_LIST TESSALINE_TEST_KINDS)
    message(FATAL_ERROR "A test's kind is one of ${TESSALINE_TEST_KINDS}, not '${kind}'")
  endif()
  file(RELATIVE_PATH folder "${PROJECT_SOURCE_DIR}/tests" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REGEX REPLACE "/.*" "" folder "${folder}")
  if(folder STREQUAL "" OR folder MATCHES "^\\.\\.")
    message(FATAL_ERROR "Tests are registered in a folder of tests/, not in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  set(labels ${kind} ${folder})
  list(REMOVE_DUPLICATES labels)

  set(environment)
  if(TESSALINE_SANITIZE)
    list(APPEND environment ${TESSALINE_SANITIZER_ENVIRONMENT})
  endif()
  if(kind STREQUAL "window" AND TESSALINE_UI STREQUAL "qt" AND NOT "${ARGN}" MATCHES "QT_QPA_PLATFORM=")
    list(APPEND environment QT_QPA_PLATFORM=offscreen)
  endif()
  list(APPEND environment ${ARGN})
  set(${labels_var} "${labels}" PARENT_SCOPE)
  set(${environment_var} "${environment}" PARENT_SCOPE)
endfunction()

# Sets <out_var> to CTest commands that give each test named in the variable <list> the labels
# and the environment.
function(tessaline_test_properties out_var list labels environment)
  set(properties "LABELS [==[${labels}]==]")
  if(environment)
    string(APPEND properties " ENVIRONMENT [==[${environment}]==]")
  endif()
  set(${out_var} "foreach(test IN LISTS ${list})\n  set_tests_properties(\"\${test}\" PROPERTIES ${properties})\nendforeach()\n"
      PARENT_SCOPE)
endfunction()

# tessaline_add_gtest(<target> <kind> [NO_MEMCHECK <filter>] [DISCOVERY_MODE <mode>]
#                     [ENVIRONMENT <VAR=value>...] [PROPERTIES <property> <value>...])
# Registers each test of a GoogleTest program as a CTest test. NO_MEMCHECK is a GoogleTest filter
# (patterns separated by ':') of the tests that scripts/memcheck.sh leaves out: they get the
# label no_memcheck, and the reason belongs beside the call. PROPERTIES take one value each
# (TIMEOUT, RESOURCE_LOCK, RUN_SERIAL).
function(tessaline_add_gtest target kind)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "NO_MEMCHECK;DISCOVERY_MODE" "ENVIRONMENT;PROPERTIES")
  tessaline_test_setup(labels environment ${kind} ${arg_ENVIRONMENT})
  # A parameter's value in a test's name may hold brackets, and GoogleTest's discovery leaves
  # such names out of the list of tests that the properties below are set from: the tests are
  # named by the parameter's index instead. Discovery only ends a hang with its time limit (a
  # cross build runs each program under Wine for it).
  set(discovery NO_PRETTY_VALUES NO_PRETTY_TYPES DISCOVERY_TIMEOUT 120)
  if(arg_DISCOVERY_MODE)
    list(APPEND discovery DISCOVERY_MODE ${arg_DISCOVERY_MODE})
  endif()
  if(arg_NO_MEMCHECK)
    gtest_discover_tests(${target} ${discovery} TEST_FILTER "-${arg_NO_MEMCHECK}"
                         TEST_LIST ${target}_tests PROPERTIES ${arg_PROPERTIES})
    gtest_discover_tests(${target} ${discovery} TEST_FILTER "${arg_NO_MEMCHECK}"
                         TEST_LIST ${target}_no_memcheck_tests PROPERTIES ${arg_PROPERTIES})
  else()
    gtest_discover_tests(${target} ${discovery} TEST_LIST ${target}_tests PROPERTIES ${arg_PROPERTIES})
  endif()

  # Discovery gives each test's property one value only; the lists (labels, variables) are set
  # by this script, which CTest reads after the tests that discovery found.
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake")
  tessaline_test_properties(content ${target}_tests "${labels}" "${environment}")
  tessaline_test_properties(more ${target}_no_memcheck_tests "${labels};no_memcheck" "${environment}")
  string(APPEND content "${more}")
  file(WRITE "${script}" "${content}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

# tessaline_add_test(<name> <kind> COMMAND <command>... [ENVIRONMENT <VAR=value>...]
#                    [PROPERTIES <property> <value>...])
# Registers one test that is a whole program (a QtTest program, a script).
function(tessaline_add_test name kind)
  cmake_parse_arguments(PARSE_ARGV 2 arg "NO_MEMCHECK" "" "COMMAND;ENVIRONMENT;PROPERTIES")
  tessaline_test_setup(labels environment ${kind} ${arg_ENVIRONMENT})
  if(arg_NO_MEMCHECK)
    list(APPEND labels no_memcheck)
  endif()
  add_test(NAME ${name} COMMAND ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" ${arg_PROPERTIES})
  if(environment)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
  endif()
endfunction()
