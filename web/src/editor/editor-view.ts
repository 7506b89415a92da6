// The translation editor's controls: choosers, search, go to, the replace
// bar, the table, and the selected message below it. Built once; the
// editor fills them.

function element<K extends keyof HTMLElementTagNameMap>(tag: K, props: Partial<HTMLElementTagNameMap[K]> = {},
                                                         ...children: (Node | string)[]): HTMLElementTagNameMap[K] {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children);
  return node;
}

function labelled(text: string, control: HTMLElement) {
  return element("label", {}, text, control);
}

export function buildEditorView(root: HTMLElement) {
  const button = (id: string, text: string, title = "") => element("button", { type: "button", id, textContent: text, title });
  const menu = {
    open: button("OpenAction", "Open...", "Ctrl+O"),
    save: button("SaveAction", "Save", "Ctrl+S"),
    saveAs: button("SaveAsAction", "Save As..."),
    compile: button("CompileAction", "Compile to flash...", "Ctrl+B"),
    carry: button("CarryAction", "Carry translations from..."),
    addMemory: button("AddMemoryAction", "Add translation memory..."),
    undo: button("UndoAction", "Undo", "Ctrl+Z"),
    redo: button("RedoAction", "Redo", "Ctrl+Shift+Z"),
    next: button("NextWorkAction", "Next needing work", "Ctrl+Return"),
    replace: button("ReplaceAction", "Replace...", "Ctrl+H"),
    close: button("CloseAction", "Close"),
  };
  const editLanguage = element("select", { id: "EditLanguage" });
  const referenceLanguage = element("select", { id: "ReferenceLanguage" });
  const filter = element("select", { id: "Filter" });
  const filters: [string, string][] = [["all", "All messages"], ["untranslated", "Untranslated"],
    ["sameAsReference", "Same as reference"], ["withProblems", "With problems"], ["changed", "Changed since opening"],
    ["overlong", "Over 254 codes"], ["inconsistent", "Inconsistent"]];
  for (const [value, text] of filters) filter.append(element("option", { value, textContent: text }));
  const search = element("input", { id: "Search", type: "search", placeholder: "Search texts and numbers ($7B)" });
  const goTo = element("input", { id: "GoTo", type: "text", placeholder: "Go to message", size: 12 });
  const languageName = element("input", { id: "LanguageName", type: "text", placeholder: "Name the language", size: 14,
    title: "A name for the edited language's LangId, such as German; kept for every pack" });
  const spelling = element("input", { id: "Spelling", type: "text", placeholder: "e.g. pl", size: 6,
    title: "The language the browser's spell checker takes for the edited language" });

  const findText = element("input", { id: "FindText", type: "text", placeholder: "Find in the edited language" });
  const replaceText = element("input", { id: "ReplaceText", type: "text", placeholder: "Replace with" });
  const matchCase = element("input", { id: "MatchCase", type: "checkbox" });
  const replaceOne = button("ReplaceOne", "Replace");
  const replaceAll = button("ReplaceAll", "Replace all");
  const findCount = element("span", { id: "FindCount" });
  const replaceBar = element("div", { id: "ReplaceBar", className: "bar", hidden: true }, findText, replaceText,
    labelled(" Match case", matchCase), replaceOne, replaceAll, findCount);

  const messageTitle = element("div", { id: "MessageTitle", className: "message-title" });
  const referenceView = element("div", { id: "ReferenceView", className: "text-view" });
  const backdrop = element("div", { className: "text-view backdrop" });
  const translation = element("textarea", { id: "Translation", spellcheck: true, rows: 3 });
  translation.setAttribute("aria-label", "Translation");
  const problems = element("div", { id: "Problems", className: "problems", role: "status" } as Partial<HTMLDivElement>);
  const cost = element("div", { id: "Cost", className: "cost" });
  const useForAll = button("UseForAll", "Use this translation for all");
  useForAll.hidden = true;
  const suggestionList = element("ol", { id: "Suggestions", className: "suggestions", tabIndex: 0 });
  const suggestionDifference = element("div", { id: "SuggestionDifference", className: "difference" });
  const suggestionPanel = element("div", { className: "suggestion-panel" },
    element("div", { className: "caption", textContent: "Suggestions (Ctrl+1 to Ctrl+5, or Alt+1 to Alt+5):" }), suggestionList,
    suggestionDifference);
  const details = element("div", { className: "details" }, messageTitle,
    element("div", { className: "caption", textContent: "Reference:" }), referenceView,
    element("div", { className: "caption", textContent: "Translation:" }),
    element("div", { className: "field" }, backdrop, translation));
  const below = element("div", { className: "below" }, problems, useForAll, cost);
  const selected = element("div", { className: "selected" }, details, suggestionPanel);

  const toolbar = element("div", { className: "bar menu" }, ...Object.values(menu));
  const choosers = element("div", { className: "bar" }, labelled("Edit: ", editLanguage), languageName,
    labelled("Reference: ", referenceLanguage), labelled("Show: ", filter), search, goTo, labelled("Spelling: ", spelling));
  const tableSlot = element("div", { className: "table-slot" });
  const title = element("h1", { id: "EditorTitle", className: "editor-title" });
  root.replaceChildren(title, toolbar, choosers, replaceBar, tableSlot, selected, below);
  return { title, menu, editLanguage, referenceLanguage, filter, search, goTo, spelling, findText, replaceText, matchCase,
    replaceOne, replaceAll, findCount, replaceBar, messageTitle, referenceView, backdrop, translation, problems, cost,
    useForAll, suggestionList, suggestionDifference, languageName, tableSlot };
}

export type EditorControls = ReturnType<typeof buildEditorView>;
