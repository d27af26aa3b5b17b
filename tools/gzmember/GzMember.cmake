# korvel_gzip_member(OUTPUT member INPUT file [BMP]): a build step that packs INPUT into a picture
# gzip member with korvel_gzmember (BMP: store the picture as a 24-bit BMP first). Include this file
# from the CMakeLists.txt that embeds the members, and list OUTPUT among the target's sources or
# resources.
function(korvel_gzip_member)
  cmake_parse_arguments(KG "BMP" "OUTPUT;INPUT" "" ${ARGN})
  set(flags)
  if(KG_BMP)
    set(flags --bmp)
  endif()
  add_custom_command(OUTPUT ${KG_OUTPUT}
    COMMAND korvel_gzmember ${flags} ${KG_INPUT} ${KG_OUTPUT}
    DEPENDS korvel_gzmember ${KG_INPUT}
    COMMENT "Packing ${KG_INPUT}"
    VERBATIM)
endfunction()
