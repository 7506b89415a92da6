# Writes the AppStream metadata from its template. The screenshot needs a web
# address; until the image is published somewhere, the metadata leaves the
# screenshot out rather than point at a page that does not exist.
# Used with include() by the build and with -P by the package test.
# In: METAINFO_IN, METAINFO_OUT, TARVO_APPSTREAM_ID, TARVO_SCREENSHOT_URL (may be empty).
if(TARVO_SCREENSHOT_URL)
  # docs/editor.png is published beside it.
  string(FIND "${TARVO_SCREENSHOT_URL}" "/" slash REVERSE)
  string(SUBSTRING "${TARVO_SCREENSHOT_URL}" 0 ${slash} folder)
  set(editor_url "${folder}/editor.png")
  string(CONCAT TARVO_METAINFO_SCREENSHOTS
    "  <screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>The main window with its two commands</caption>\n"
    "      <image>${TARVO_SCREENSHOT_URL}</image>\n"
    "    </screenshot>\n"
    "    <screenshot>\n"
    "      <caption>The translation editor with the room left in the pack</caption>\n"
    "      <image>${editor_url}</image>\n"
    "    </screenshot>\n"
    "  </screenshots>\n")
else()
  set(TARVO_METAINFO_SCREENSHOTS "")
endif()
configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)
