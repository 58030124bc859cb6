# The slide show's end-to-end tests compare the screen with the saver's own
# pictures decoded in the test process, so each also gets the picture
# helpers and the saver's picture code.
file(GLOB show_e2e_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../show_*.cpp)
foreach(source ${show_e2e_sources})
  get_filename_component(stem ${source} NAME_WE)
  target_sources(e2e_${stem} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/session.cpp)
  target_link_libraries(e2e_${stem} PRIVATE velmor_core)
endforeach()
