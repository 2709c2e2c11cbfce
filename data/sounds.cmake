# The game's sound effects: data/sounds/sounds.txt made by sfxsynth into sounds/NAME.wav in the
# game's folder. The names come from the text's "sound NAME" lines, read again whenever the text
# changes, so that the text is the one list of the sounds.
set(SOUND_TEXT ${CMAKE_CURRENT_SOURCE_DIR}/sounds/sounds.txt)
set(SOUND_DIR ${GAME_DIR}/sounds)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SOUND_TEXT})
file(STRINGS ${SOUND_TEXT} sound_lines REGEX "^[ \t]*sound[ \t]+[a-z0-9_]+")
set(SOUND_FILES "")
foreach(line IN LISTS sound_lines)
  string(REGEX REPLACE "^[ \t]*sound[ \t]+([a-z0-9_]+).*" "\\1" name "${line}")
  list(APPEND SOUND_FILES ${SOUND_DIR}/${name}.wav)
endforeach()

add_custom_command(
  OUTPUT ${SOUND_FILES}
  COMMAND sfxsynth ${SOUND_TEXT} ${SOUND_DIR}
  DEPENDS sfxsynth ${SOUND_TEXT}
  COMMENT "Making the sound effects into ${SOUND_DIR}"
  VERBATIM)
add_custom_target(sounds ALL DEPENDS ${SOUND_FILES})
