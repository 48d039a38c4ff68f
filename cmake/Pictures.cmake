# The programs' pictures (icons and animation clips) are drawn at build time
# by our resgen tool; nothing binary is kept in the repository.
set(PORTELAN_PICTURES_DIR ${CMAKE_BINARY_DIR}/pictures)

# portelan_picture(NAME ARGS...): PORTELAN_PICTURES_DIR/NAME made by
# "resgen ARGS..." with the output path in place of @OUT@.
function(portelan_picture name)
  set(out ${PORTELAN_PICTURES_DIR}/${name})
  list(TRANSFORM ARGN REPLACE "@OUT@" ${out})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PORTELAN_PICTURES_DIR}
    COMMAND ${PORTELAN_RESGEN} ${ARGN}
    DEPENDS ${PORTELAN_RESGEN_DEPENDS}
    COMMENT "Drawing ${name}"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY PORTELAN_PICTURE_FILES ${out})
endfunction()

portelan_picture(portelan.ico icon @OUT@)
portelan_picture(portelanconcat.ico icon @OUT@)
# The icon for desktops' icon themes, at the sizes they ask for (Linux).
if(NOT WIN32)
  set(PORTELAN_ICON_SIZES 16 32 48 64 128 256)
  foreach(size ${PORTELAN_ICON_SIZES})
    portelan_picture(portelan-${size}.png png @OUT@ ${size})
  endforeach()
endif()
portelan_picture(clip130.avi avi @OUT@ 80 57 10 100000 split)
portelan_picture(clip132.avi avi @OUT@ 64 64 133 20000 join)
portelan_picture(clip133.avi avi @OUT@ 96 96 24 100000 info)
portelan_picture(clip134.avi avi @OUT@ 64 64 20 100000 heart)

get_property(PORTELAN_PICTURE_FILES GLOBAL PROPERTY PORTELAN_PICTURE_FILES)
add_custom_target(portelan_pictures DEPENDS ${PORTELAN_PICTURE_FILES})

# Lets the .rc files of a target name the pictures by their file names.
function(portelan_add_pictures target)
  add_dependencies(${target} portelan_pictures)
  target_include_directories(${target} PRIVATE ${PORTELAN_PICTURES_DIR})
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    if(source MATCHES "\\.rc$")
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${PORTELAN_PICTURE_FILES})
    endif()
  endforeach()
endfunction()
