// Draws a text with its escapes and conversions in colour, by the marks the
// core found in it.
import type { TextMark } from "../protocol";

export function drawMarked(target: HTMLElement, text: string, marks: TextMark[]) {
  const parts: Node[] = [];
  let at = 0;
  for (const mark of marks) {
    if (mark.start < at || mark.start + mark.length > text.length) continue;
    if (mark.start > at) parts.push(document.createTextNode(text.slice(at, mark.start)));
    const span = document.createElement("mark");
    span.className = mark.kind;
    span.textContent = text.slice(mark.start, mark.start + mark.length);
    parts.push(span);
    at = mark.start + mark.length;
  }
  parts.push(document.createTextNode(text.slice(at) + "\n"));
  target.replaceChildren(...parts);
}
