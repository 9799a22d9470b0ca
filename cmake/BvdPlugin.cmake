# bvd_add_plugin(NAME SOURCES...): an in-process server module (a plug-in).
#
# - a MODULE library linked to bvdplatform, loaded by path at run time;
# - hidden visibility, and an export map that lets only DllCanUnloadNow,
#   DllGetClassObject, DllRegisterServer and DllUnregisterServer leave it
#   (define them with BVD_SERVER_ENTRY, platform/server_exports.h);
# - no STB_GNU_UNIQUE symbols (-fno-gnu-unique), which would pin the library
#   in memory and defeat CoFreeUnusedLibraries;
# - BVD_VERSION_MAJOR/MINOR/PATCH/TWEAK from the project version, for the
#   file version record (BVD_PROJECT_FILE_VERSION, platform/version_resource.h).
set(BVD_PLUGIN_EXPORT_MAP ${CMAKE_CURRENT_LIST_DIR}/plugin_exports.map)

# The four parts of the project version, a missing part counting as 0.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(BVD_FILE_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(BVD_FILE_VERSION_${part} STREQUAL "")
    set(BVD_FILE_VERSION_${part} 0)
  endif()
endforeach()
set(BVD_FILE_VERSION_TEXT
  "${BVD_FILE_VERSION_MAJOR}.${BVD_FILE_VERSION_MINOR}.${BVD_FILE_VERSION_PATCH}.${BVD_FILE_VERSION_TWEAK}")

function(bvd_add_plugin name)
  add_library(${name} MODULE ${ARGN})
  target_link_libraries(${name} PRIVATE bvdplatform)
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${BVD_PLUGIN_EXPORT_MAP})
  target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
  target_compile_definitions(${name} PRIVATE
    BVD_VERSION_MAJOR=${BVD_FILE_VERSION_MAJOR} BVD_VERSION_MINOR=${BVD_FILE_VERSION_MINOR}
    BVD_VERSION_PATCH=${BVD_FILE_VERSION_PATCH} BVD_VERSION_TWEAK=${BVD_FILE_VERSION_TWEAK})
  target_link_options(${name} PRIVATE "LINKER:--version-script=${BVD_PLUGIN_EXPORT_MAP}")
  # Every symbol a plug-in needs must be found at link time; the sanitizers'
  # run-time lives in the executable, so the check is left out under them.
  if(NOT BVD_SANITIZE)
    target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  endif()
endfunction()
