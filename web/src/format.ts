// How numbers read on the page, as in the window: "1 723", "$7B".

export function grouped(value: number): string {
  const digits = String(Math.abs(value)).replace(/\B(?=(\d{3})+(?!\d))/g, " ");
  return value < 0 ? `-${digits}` : digits;
}

export function messageNumber(message: number, hex: boolean): string {
  return hex ? `$${message.toString(16).toUpperCase()}` : String(message);
}

/** A typed message number, decimal or "$" and hexadecimal; null when it is neither. */
export function parseMessageNumber(typed: string): number | null {
  const text = typed.trim();
  const match = /^(\$[0-9a-f]+|[0-9]+)$/i.exec(text);
  if (!match) return null;
  const value = text.startsWith("$") ? parseInt(text.slice(1), 16) : parseInt(text, 10);
  return Number.isSafeInteger(value) ? value : null;
}

/** The .lgp holds each text on one line: a typed or pasted line break is the phone's line break escape. */
export function oneLine(text: string): string {
  return text.replace(/\r\n|\n|\u2029/g, "<0A>").replace(/\r/g, "<0D>");
}
