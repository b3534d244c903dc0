# Build rules shared by every folder.
#
include(GoogleTest)

# qivo2_folder(NAME [DEPS folder...] [WIDGET_DEPS folder...] [LIBS lib...] [WIDGET_LIBS lib...])
#   NAME/*.cpp          -> static library qivo2_NAME (no widget code; Qt Core/Gui only)
#   NAME/widgets/*.cpp  -> static library qivo2_NAME_widgets (Qt Widgets), when present
# qivo2_NAME links qivo2_DEP for each of DEPS; qivo2_NAME_widgets links qivo2_NAME and,
# for each of WIDGET_DEPS, qivo2_DEP_widgets where that exists and qivo2_DEP otherwise.
function(qivo2_folder name)
  cmake_parse_arguments(Q "" "" "DEPS;WIDGET_DEPS;LIBS;WIDGET_LIBS" ${ARGN})
  file(GLOB core_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT core_src)
    set(core_src ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(qivo2_${name} STATIC ${core_src})
  target_include_directories(qivo2_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qivo2_${name} PUBLIC Qt6::Core Qt6::Gui ${Q_LIBS})
  foreach(dep ${Q_DEPS})
    target_link_libraries(qivo2_${name} PUBLIC qivo2_${dep})
  endforeach()
  file(GLOB ui_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/widgets/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/widgets/*.h)
  if(ui_src)
    add_library(qivo2_${name}_widgets STATIC ${ui_src})
    target_link_libraries(qivo2_${name}_widgets PUBLIC qivo2_${name} Qt6::Widgets ${Q_WIDGET_LIBS})
    foreach(dep ${Q_WIDGET_DEPS})
      target_link_libraries(qivo2_${name}_widgets PUBLIC qivo2_${dep}
        $<TARGET_NAME_IF_EXISTS:qivo2_${dep}_widgets>)
    endforeach()
  endif()
endfunction()

# qivo2_gtest(NAME SOURCES... LIBS ...): a GoogleTest binary registered with CTest.
# Runs on the offscreen platform so widget-free and widget tests alike need no display.
function(qivo2_gtest name)
  cmake_parse_arguments(Q "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE ${Q_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QIVO2_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QIVO2_TEST=1" TIMEOUT 300)
endfunction()

# qivo2_qtest(NAME SOURCES... LIBS ...): a Qt Test binary on the offscreen platform.
function(qivo2_qtest name)
  cmake_parse_arguments(Q "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE ${Q_LIBS} Qt6::Test Qt6::Widgets)
  target_compile_definitions(${name} PRIVATE QIVO2_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QIVO2_TEST=1" TIMEOUT 300)
endfunction()

# qivo2_fuzz(NAME SOURCE LIBS ...): with QIVO2_FUZZ a libFuzzer binary; always a replay
# binary that runs the committed corpus and crashers (tests/fuzz/corpus/NAME) under CTest.
function(qivo2_fuzz name)
  cmake_parse_arguments(Q "" "" "SOURCE;LIBS" ${ARGN})
  add_executable(replay_${name} ${Q_SOURCE} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(replay_${name} PRIVATE ${Q_LIBS})
  add_test(NAME replay_${name} COMMAND replay_${name} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set_tests_properties(replay_${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
  if(QIVO2_FUZZ)
    add_executable(fuzz_${name} ${Q_SOURCE})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${Q_LIBS})
  endif()
endfunction()

# qivo2_folder_tests(NAME [LIBS lib...]) in tests/NAME/:
#   *_test.cpp  -> one GoogleTest binary NAME_tests linking qivo2_NAME (no display)
#   *_qtest.cpp -> one Qt Test binary per file linking qivo2_NAME_widgets (offscreen)
function(qivo2_folder_tests name)
  cmake_parse_arguments(Q "" "" "LIBS" ${ARGN})
  file(GLOB gsrc CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(gsrc)
    qivo2_gtest(${name}_tests SOURCES ${gsrc} LIBS qivo2_${name} ${Q_LIBS})
  endif()
  file(GLOB qsrc CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_qtest.cpp)
  foreach(f ${qsrc})
    get_filename_component(base ${f} NAME_WE)
    qivo2_qtest(${name}_${base} SOURCES ${f}
      LIBS qivo2_${name} $<TARGET_NAME_IF_EXISTS:qivo2_${name}_widgets> ${Q_LIBS})
  endforeach()
endfunction()
