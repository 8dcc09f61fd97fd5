# The About window's Wine tests: its template and a version resource in the test program, and
# kestrin_marker.exe, which stands in for the system information tool and records that it started.
add_executable(kestrin_marker WIN32 ${CMAKE_CURRENT_LIST_DIR}/about_marker.cpp)
if(MINGW)
  target_link_options(kestrin_marker PRIVATE -municode)
endif()
set_target_properties(kestrin_marker PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

target_sources(kestrin_wine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/about_resources.rc)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/about_resources.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/src/about/win32/about.rc;${PROJECT_SOURCE_DIR}/src/app/version.h;${PROJECT_SOURCE_DIR}/src/app/resource.h")
# The tests look for the marker beside themselves.
add_dependencies(kestrin_wine_tests kestrin_marker)
