// The suggestions panel beside the selected message: each suggestion with its
// number (Ctrl+1 to Ctrl+5), score, translation and origin, and the difference
// of its reference text from the message's, all as the core gives them.
import type { Suggestion } from "../protocol";

function originOf(s: Suggestion): string {
  if (!s.origin) return `message ${s.message}`;
  return s.message >= 0 ? `${s.origin}, message ${s.message}` : s.origin;
}

/** Fills the list; a click shows a suggestion's difference, a double click takes it. */
export function drawSuggestions(list: HTMLOListElement, suggestions: Suggestion[], take: (index: number) => void,
                                show: (index: number) => void) {
  list.replaceChildren(...suggestions.map((s, i) => {
    const item = document.createElement("li");
    const score = Object.assign(document.createElement("span"), { className: "score", textContent: `${i + 1}  ${s.score}%` });
    const origin = Object.assign(document.createElement("span"), { className: "origin", textContent: `  (${originOf(s)})` });
    item.append(score, s.target, origin);
    item.title = `Reference text: ${s.source}`;
    if (i === 0) item.className = "current";
    item.onclick = () => {
      for (const other of list.children) other.classList.toggle("current", other === item);
      show(i);
    };
    item.ondblclick = () => take(i);
    return item;
  }));
}

/** The difference of a suggestion's reference text from the message's; nothing for the same text. */
export function showDifference(target: HTMLElement, suggestion: Suggestion | undefined) {
  if (!suggestion || suggestion.score === 100) {
    target.replaceChildren();
    return;
  }
  const tags = { same: "span", added: "ins", removed: "del" } as const;
  target.replaceChildren("Its reference text against this one: ", ...suggestion.difference.map((piece) =>
    Object.assign(document.createElement(tags[piece.kind]), { textContent: piece.text })));
}
