# One static library per layer folder, made of every .cpp in it and named after the folder:
# <folder>_layer (CMake reserves some plain names, "install" among them). A folder without sources yet
# gives an interface library, so the layers above can already name it.
function(setup_layer_library)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(name ${folder}_layer)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()
