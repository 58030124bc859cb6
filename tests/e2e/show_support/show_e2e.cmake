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

# Helper of measure_cpu.sh (not a test).
add_executable(show_measure_clicker ${CMAKE_CURRENT_LIST_DIR}/measure_clicker.cpp)
target_link_libraries(show_measure_clicker PRIVATE user32)
if(MINGW)
  target_link_options(show_measure_clicker PRIVATE -static -static-libgcc -static-libstdc++)
endif()
