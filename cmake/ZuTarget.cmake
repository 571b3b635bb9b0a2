# Common settings for the project's own targets: warnings as errors and src/ as the include root.
function(zu_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports false -Wrestrict positives inside libstdc++ string code (GCC bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# A core library: the standard library only. Qt is never linked, so a Qt include fails to build.
function(zu_core_library target)
  add_library(${target} STATIC ${ARGN})
  zu_target_defaults(${target})
endfunction()

# A user-interface library linked with Qt Widgets.
function(zu_ui_library target)
  add_library(${target} STATIC ${ARGN})
  zu_target_defaults(${target})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_link_libraries(${target} PUBLIC Qt6::Widgets)
endfunction()

# A plug-in component: a shared library named <name>.so in the folder, exporting only what the
# plug-in interface asks for.
function(zu_component name folder)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${folder} C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/sdk)
  # A table of parameters leaves the fields it does not need (a type, choices) out.
  target_compile_options(${name} PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
endfunction()
