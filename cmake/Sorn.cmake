# Helpers that keep each subsystem's CMakeLists.txt to a line or two.
#
# Layers: every folder declares the folders it may include ("USES"), lowest first; a folder's library links
# the libraries of the folders it uses, so the link order follows the same declarations. The configure step
# writes them all to <build>/layers.txt and the ctest "layers" (tools/check_layers.py) fails when a file
# includes a header from a folder its own does not declare, when the declarations form a cycle, or when the
# table in README.md says otherwise.
#
# sorn_layer([FOLDER <folder>] [USES <folders>...] [TEST_USES <folders>...])
#   Declares a folder's layer (the calling one unless FOLDER names another) without building anything:
#   header-only folders, plug-ins, tests. TEST_USES are folders only its tests may include (test files:
#   *_test.cpp, *_wintest.cpp, *_test_util.h).
#
# sorn_module(<name> [USES <folders>...] [TEST_USES <folders>...] [DEPS <other link targets>...]
#             [TEST_DEPS <targets>...])
#   Declares the layer and builds every *.cpp of the calling folder into the static library sorn_<name>,
#   except tests and mains:
#     *_test.cpp              unit tests, one executable <name>_tests, one ctest test
#     *_concurrency_test.cpp  concurrency tests, <name>_concurrency_tests (label "concurrency"; the only
#                             tests built in native-tsan)
#     *_wintest.cpp           Windows-only tests, <name>_wintests (win32 build only, run under Wine): what
#                             only Windows can show (window procedures, real message boxes, the Win32 file
#                             layer), each executable one ctest test because every Wine start costs seconds
#     *_win_test.cpp          a unit test of the Windows build only, compiled into <name>_tests there
#     main_win.cpp, *_main.cpp  program entry points, added by the folder itself
#   Files ending in _win.cpp build only for Windows, _posix.cpp only natively.
include_guard(GLOBAL)

function(sorn_collect_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  set(result)
  foreach(f IN LISTS all)
    get_filename_component(n "${f}" NAME)
    if(n MATCHES "_test\\.cpp$" OR n MATCHES "_wintest\\.cpp$" OR n MATCHES "^main_win\\.cpp$"
       OR n MATCHES "_main\\.cpp$")
      continue()
    endif()
    if(WIN32 AND n MATCHES "_posix\\.c(pp)?$")
      continue()
    endif()
    if(NOT WIN32 AND n MATCHES "_win\\.c(pp)?$")
      continue()
    endif()
    list(APPEND result "${f}")
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# sorn_add_test(<target> <sources>... LIBS <libs>... [LABELS <labels>...] [TIMEOUT s])
function(sorn_add_test target)
  cmake_parse_arguments(T "" "TIMEOUT" "LIBS;LABELS" ${ARGN})
  add_executable(${target} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${target} COMMAND ${target})
  set(timeout 300)
  if(WIN32)
    set(timeout 120)
  endif()
  if(T_TIMEOUT)
    set(timeout ${T_TIMEOUT})
  endif()
  set_tests_properties(${target} PROPERTIES TIMEOUT ${timeout} LABELS "${T_LABELS}"
                       ENVIRONMENT "SORN_SOURCE_DIR=${PROJECT_SOURCE_DIR};SORN_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()

function(sorn_layer_folder out)
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  set(${out} "${rel}" PARENT_SCOPE)
endfunction()

function(sorn_layer)
  cmake_parse_arguments(L "" "FOLDER" "USES;TEST_USES" ${ARGN})
  sorn_layer_folder(folder)
  if(L_FOLDER)
    set(folder ${L_FOLDER})
  endif()
  list(JOIN L_USES " " uses)
  list(JOIN L_TEST_USES " " testUses)
  set_property(GLOBAL APPEND PROPERTY SORN_LAYERS "${folder}: ${uses} | ${testUses}")
endfunction()

# The libraries of the used folders (folders without one, such as include/ and resources/, link nothing).
function(sorn_layer_libs out)
  set(libs)
  foreach(u IN LISTS ARGN)
    get_property(lib GLOBAL PROPERTY SORN_LAYER_LIB_${u})
    if(lib)
      list(APPEND libs ${lib})
    endif()
  endforeach()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()

# Writes every declaration to <build>/layers.txt (called once, after the last folder).
function(sorn_write_layers)
  get_property(layers GLOBAL PROPERTY SORN_LAYERS)
  list(JOIN layers "\n" text)
  file(WRITE "${PROJECT_BINARY_DIR}/layers.txt" "${text}\n")
endfunction()

function(sorn_module name)
  cmake_parse_arguments(M "" "" "USES;TEST_USES;DEPS;TEST_DEPS" ${ARGN})
  set(lib sorn_${name})
  sorn_layer(USES ${M_USES} TEST_USES ${M_TEST_USES})
  sorn_layer_folder(folder)
  set_property(GLOBAL PROPERTY SORN_LAYER_LIB_${folder} ${lib})
  sorn_layer_libs(used ${M_USES})
  list(APPEND M_DEPS ${used})
  sorn_collect_sources(srcs "${CMAKE_CURRENT_SOURCE_DIR}")
  if(srcs)
    add_library(${lib} STATIC ${srcs})
  else()
    add_library(${lib} INTERFACE)
  endif()
  if(srcs)
    target_include_directories(${lib} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${lib} PUBLIC ${M_DEPS})
  else()
    target_include_directories(${lib} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${lib} INTERFACE ${M_DEPS})
  endif()

  file(GLOB unit CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  file(GLOB conc CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_concurrency_test.cpp")
  list(REMOVE_ITEM unit ${conc})
  if(NOT WIN32)
    list(FILTER unit EXCLUDE REGEX "_win_test\\.cpp$")
  endif()
  if(unit AND (SORN_ONLY STREQUAL ""))
    sorn_add_test(${name}_tests ${unit} LIBS ${lib} ${M_TEST_DEPS})
  endif()
  # Concurrency tests run natively (also under ThreadSanitizer); under Wine on qemu several busy threads in
  # one 32-bit process are not reliable, so the Windows build leaves them out.
  if(conc AND NOT WIN32 AND (SORN_ONLY STREQUAL "" OR SORN_ONLY STREQUAL "concurrency"))
    sorn_add_test(${name}_concurrency_tests ${conc} LIBS ${lib} ${M_TEST_DEPS} LABELS concurrency)
  endif()
  if(WIN32)
    file(GLOB wint CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_wintest.cpp")
    if(wint)
      sorn_add_test(${name}_wintests ${wint} LIBS ${lib} ${M_TEST_DEPS})
    endif()
  endif()
endfunction()
