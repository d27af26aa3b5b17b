# Headers nearly every unit includes; precompiled once per target to keep cold builds short.
function(korvel_pch target)
  target_precompile_headers(${target} PRIVATE <QString> <QList> <QByteArray> <QStringList>
                            <memory> <vector> <functional> <string> <map>)
endfunction()

# korvel_library(NAME [DEPS lib...]): a static library of every source in the calling folder.
function(korvel_library name)
  cmake_parse_arguments(KL "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${KL_DEPS})
  korvel_pch(${name})
endfunction()

# korvel_test(AREA [GUI] [DEPS lib...]): one GoogleTest executable per test area, from every source in
# its folder. GUI adds the shared environment that suites building controls need.
function(korvel_test area)
  cmake_parse_arguments(KT "GUI" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(KT_GUI)
    list(APPEND srcs ${PROJECT_SOURCE_DIR}/tests/common/GuiTestEnvironment.cpp)
  endif()
  add_executable(test_${area} ${srcs})
  target_link_libraries(test_${area} PRIVATE ${KT_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  korvel_pch(test_${area})
  target_compile_options(test_${area} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/common/TestPrint.h)
  target_compile_definitions(test_${area} PRIVATE
    KORVEL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
  gtest_discover_tests(test_${area} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()
