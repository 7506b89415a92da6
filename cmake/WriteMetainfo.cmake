# Writes the AppStream metadata from its template. The screenshot needs a web
# address; until the image is published somewhere, the metadata leaves the
# screenshot out rather than point at a page that does not exist.
# Used with include() by the build and with -P by the package test.
# In: METAINFO_IN, METAINFO_OUT, TARVO_APPSTREAM_ID, TARVO_SCREENSHOT_URL (may be empty).
if(TARVO_SCREENSHOT_URL)
  string(CONCAT TARVO_METAINFO_SCREENSHOTS
    "  <screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>The main window with its two commands</caption>\n"
    "      <image>${TARVO_SCREENSHOT_URL}</image>\n"
    "    </screenshot>\n"
    "  </screenshots>\n")
else()
  set(TARVO_METAINFO_SCREENSHOTS "")
endif()
configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)
