# The pictures the forms show: PictureGen draws them at build time and writes
# them as JPEG files (button glyphs as bitmap files, the icon also as an icon
# file), one per name, to the tree's pictures folder.
set(QEV_PICTURES_DIR ${CMAKE_BINARY_DIR}/pictures)
set(QEV_PICTURE_FILES)
foreach(name earth banner scene1 scene2 scene3 scene4 scene5 scene6 scene7
    icon worldpage vintrapage)
  list(APPEND QEV_PICTURE_FILES ${QEV_PICTURES_DIR}/${name}.jpg)
endforeach()
foreach(name restore web save)
  list(APPEND QEV_PICTURE_FILES ${QEV_PICTURES_DIR}/${name}.bmp)
endforeach()
list(APPEND QEV_PICTURE_FILES ${QEV_PICTURES_DIR}/icon.ico)
add_custom_command(OUTPUT ${QEV_PICTURE_FILES}
  COMMAND ${QEV_PICTUREGEN} --pictures ${QEV_PICTURES_DIR}
  DEPENDS host_tools ${QEV_PICTUREGEN}
  COMMENT "Pictures")
add_custom_target(qev_pictures ALL DEPENDS ${QEV_PICTURE_FILES})

# Like qev_form_resources, for form templates (X.dfm.in) in which a line
# @PICTURE_<NAME>@ stands for the Picture.Data property holding <name>.jpg,
# a line @GLYPH_<NAME>@ for the Glyph.Data property holding <name>.bmp and a
# line @ICON_<NAME>@ for the Picture.Data property holding the icon <name>.ico.
function(qev_picture_forms target)
  set(dir ${CMAKE_BINARY_DIR}/forms/${target})
  file(MAKE_DIRECTORY ${dir})
  set(forms)
  foreach(template IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH template BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE src)
    cmake_path(GET src STEM stem)
    set(out ${dir}/${stem}.dfm)
    add_custom_command(OUTPUT ${out}
      COMMAND ${QEV_PICTUREGEN} --form ${src} ${out} ${QEV_PICTURES_DIR}
      DEPENDS qev_pictures ${QEV_PICTURE_FILES} ${src}
      COMMENT "Pictures of ${stem}")
    list(APPEND forms ${out})
  endforeach()
  qev_form_resources(${target} ${forms})
endfunction()
