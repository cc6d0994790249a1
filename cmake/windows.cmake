# Cross build for 32-bit Windows: the module, the Wine test hosts and the
# sample host, all in the build folder so that they find progress.dll.
enable_language(RC)
enable_testing()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 1252 -I${CMAKE_SOURCE_DIR}/res")
# Link the C and C++ runtimes in, so the module imports only system DLLs.
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

file(GLOB MODULE_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/host/*.cpp
    ${CMAKE_SOURCE_DIR}/src/dialog/*.cpp
    ${CMAKE_SOURCE_DIR}/src/anim/*.cpp)

add_library(progress SHARED ${MODULE_SOURCES} res/progress.rc res/progress.def)
set_target_properties(progress PROPERTIES PREFIX "" OUTPUT_NAME progress
    IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
target_include_directories(progress PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/include)
target_compile_definitions(progress PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(progress PRIVATE -Wall -Wextra -Werror -O2 -fno-exceptions -fno-rtti)
target_link_options(progress PRIVATE ${STATIC_RUNTIME} -Wl,--enable-stdcall-fixup)
target_link_libraries(progress PRIVATE user32 gdi32 kernel32)

# The import library for hosts that link to progress.dll directly: it maps
# the stdcall symbol _Update@24 to the plain export name.
set(IMPORT_LIBRARY ${CMAKE_BINARY_DIR}/libprogress.a)
add_custom_command(OUTPUT ${IMPORT_LIBRARY}
    COMMAND i686-w64-mingw32-dlltool -k -d ${CMAKE_SOURCE_DIR}/res/progress-import.def -l ${IMPORT_LIBRARY}
    DEPENDS ${CMAKE_SOURCE_DIR}/res/progress-import.def
    COMMENT "Import library libprogress.a")
add_custom_target(progress_import_library ALL DEPENDS ${IMPORT_LIBRARY} progress)
add_library(progress_import STATIC IMPORTED GLOBAL)
set_target_properties(progress_import PROPERTIES IMPORTED_LOCATION ${IMPORT_LIBRARY})
add_dependencies(progress_import progress_import_library)

# GoogleTest, cross-built.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The test hosts: each tests/wine/*_test.cpp is a program of its own that
# loads build/progress.dll as a setup program would.
file(GLOB WINE_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/host_*.cpp)
add_library(wine_host STATIC ${WINE_HOST_SOURCES})
target_include_directories(wine_host PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_SOURCE_DIR}/include
    ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(wine_host PUBLIC GTest::gtest user32 gdi32)
target_compile_definitions(wine_host PUBLIC NOMINMAX)

set(WINE_TEST_TIMEOUT 300 CACHE STRING "Seconds one Wine test program may run")
file(GLOB WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
foreach(src ${WINE_TESTS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(wine_${name} ${src} tests/wine/host.rc)
    target_link_libraries(wine_${name} PRIVATE wine_host GTest::gtest_main)
    target_link_options(wine_${name} PRIVATE ${STATIC_RUNTIME})
    add_dependencies(wine_${name} progress)
    add_test(NAME wine_${name}
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${WINE_TEST_TIMEOUT} $<TARGET_FILE:wine_${name}>)
    set_tests_properties(wine_${name} PROPERTIES TIMEOUT ${WINE_TEST_TIMEOUT})
endforeach()

# The smallest host, in C: the README shows it.
add_executable(minimal_host samples/minimal_host.c samples/setup_host.rc)
target_include_directories(minimal_host PRIVATE ${CMAKE_SOURCE_DIR}/include)
target_compile_options(minimal_host PRIVATE -std=c89 -Wall -Wextra -Werror -pedantic -Wno-long-long)
target_link_libraries(minimal_host PRIVATE progress_import user32)
target_link_options(minimal_host PRIVATE -static)
add_dependencies(minimal_host progress_import_library)

# The sample setup host.
file(GLOB SAMPLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/samples/*.cpp)
if(SAMPLE_SOURCES)
    add_executable(setup_host ${SAMPLE_SOURCES} samples/setup_host.rc)
    target_include_directories(setup_host PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/samples)
    target_link_libraries(setup_host PRIVATE progress_import user32 gdi32)
    add_dependencies(setup_host progress_import_library)
    target_link_options(setup_host PRIVATE ${STATIC_RUNTIME} -mwindows -mconsole)
    add_test(NAME sample_host COMMAND ${CMAKE_SOURCE_DIR}/tests/sample/sample_host_test.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(sample_host PROPERTIES TIMEOUT 900)
endif()

# The benchmark: bench/*.cpp built as bench.exe next to progress.dll, which it
# loads at run time (scripts/bench.sh runs it under Wine).
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(BENCH_SOURCES)
    add_executable(bench ${BENCH_SOURCES} tests/wine/host_import_patch.cpp bench/bench.rc)
    target_include_directories(bench PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/tests/wine)
    target_compile_definitions(bench PRIVATE NOMINMAX)
    target_compile_options(bench PRIVATE -O2 -Wall -Wextra)
    target_link_libraries(bench PRIVATE shlwapi ole32 comctl32 uuid user32 gdi32)
    target_link_options(bench PRIVATE ${STATIC_RUNTIME})
    add_dependencies(bench progress)
endif()
