# Headers nearly every unit includes, precompiled once for all libraries and once for all tests: a
# precompiled header per target cost about 100 MB each in sanitizer builds (several GB in all) and the
# time to build each one.
set(KORVEL_PCH_HEADERS <QString> <QList> <QByteArray> <QStringList>
    <memory> <vector> <functional> <string> <map>)
set(KORVEL_PCH_SOURCE ${CMAKE_BINARY_DIR}/korvel_pch_holder.cpp)
if(NOT EXISTS ${KORVEL_PCH_SOURCE})
  file(WRITE ${KORVEL_PCH_SOURCE} "// holds the shared precompiled header\n")
endif()

add_library(korvel_pch_lib OBJECT ${KORVEL_PCH_SOURCE})
target_link_libraries(korvel_pch_lib PRIVATE Qt6::Core)
target_precompile_headers(korvel_pch_lib PRIVATE ${KORVEL_PCH_HEADERS})

function(korvel_pch target)
  target_precompile_headers(${target} REUSE_FROM korvel_pch_lib)
endfunction()

# Libraries are shared in test builds so that each test program holds only its own code; static
# libraries copied into every test program made the test tree many gigabytes.
option(KORVEL_SHARED_LIBS "Build Korvel's libraries as shared libraries" OFF)

# korvel_library(NAME [DEPS lib...]): a static library of every source in the calling folder.
function(korvel_library name)
  cmake_parse_arguments(KL "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(KORVEL_SHARED_LIBS)
    add_library(${name} SHARED ${srcs})
  else()
    add_library(${name} STATIC ${srcs})
  endif()
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
  target_precompile_headers(test_${area} REUSE_FROM korvel_pch_test)
  target_compile_definitions(test_${area} PRIVATE
    KORVEL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
  gtest_discover_tests(test_${area} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()
