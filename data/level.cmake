# The level: data/level/jump.level and the tile art compiled by levelc into the game's folder.
# data/jump.fmp is the same file, committed; a test checks that the two agree.
set(LEVEL_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/level/jump.level)
set(LEVEL_OUTPUT ${GAME_DIR}/jump.fmp)
add_custom_command(
  OUTPUT ${LEVEL_OUTPUT}
  COMMAND levelc ${LEVEL_SOURCE} ${LEVEL_OUTPUT}
  DEPENDS levelc ${LEVEL_SOURCE}
          ${CMAKE_CURRENT_SOURCE_DIR}/art/tiles.pcx ${CMAKE_CURRENT_SOURCE_DIR}/art/tiles.txt
  COMMENT "Compiling the level into ${LEVEL_OUTPUT}"
  VERBATIM)
add_custom_target(level ALL DEPENDS ${LEVEL_OUTPUT})
