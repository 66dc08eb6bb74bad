# Layers of the library, lowest first. Each folder src/<layer> becomes an object library
# ozm_<layer>; the shared library collects them all. A test program of one layer links the object
# libraries of that layer and of every layer below it (ozm_layer_closure).

set(OZM_LAYER_OBJECTS "")
set(OZM_LAYERS "")

function(ozm_add_layers)
  set(objects "")
  set(layers "")
  foreach(layer IN LISTS ARGN)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${layer}/*.cpp)
    if(sources)
      add_library(ozm_${layer} OBJECT ${sources})
      target_include_directories(ozm_${layer} PUBLIC ${PROJECT_SOURCE_DIR}/include
                                 ${PROJECT_BINARY_DIR}/include PRIVATE ${PROJECT_SOURCE_DIR}/src)
      target_link_libraries(ozm_${layer} PRIVATE ozm_build_options PNG::PNG JPEG::JPEG
                            PUBLIC Threads::Threads)
      list(APPEND objects $<TARGET_OBJECTS:ozm_${layer}>)
      list(APPEND layers ${layer})
    endif()
  endforeach()
  set(OZM_LAYER_OBJECTS ${objects} PARENT_SCOPE)
  set(OZM_LAYERS ${layers} PARENT_SCOPE)
endfunction()

# The layers a given layer may use: transforms rests on platform and base alone; statistics and
# numerics use each other; every other layer uses all layers listed before it.
function(ozm_layer_closure layer out_var)
  set(order platform base foundation openarrays vectors matrices datatable statistics numerics
            learning)
  if(layer STREQUAL "transforms")
    set(wanted platform base transforms)
  else()
    if(layer STREQUAL "statistics")
      set(layer numerics)
    endif()
    set(wanted "")
    foreach(l IN LISTS order)
      list(APPEND wanted ${l})
      if(l STREQUAL layer)
        break()
      endif()
    endforeach()
  endif()
  set(result "")
  foreach(l IN LISTS wanted)
    if(TARGET ozm_${l})
      list(APPEND result ozm_${l})
    endif()
  endforeach()
  set(${out_var} ${result} PARENT_SCOPE)
endfunction()
