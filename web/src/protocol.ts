// The messages between the page and the worker that owns the core. Only plain
// data crosses: a call's failure comes back as data, and a fault of the
// module (a trap) as `fatal`, after which the page starts a new worker.
import type { DocumentInfo, Gauge, Suggestion, TextMark } from "@tarvo/core/tarvo-core.mjs";

export type { Suggestion, TextMark };

export interface CallMessage {
  id: number;
  method: string;
  args: unknown[];
}

export type WorkerMessage =
  | { id: number; value: unknown }
  | { id: number; fatal: string }
  | { id: number; error: string }
  | { id: number; event: "status"; text: string }
  | { id: number; event: "progress"; done: number; total: number }
  | { event: "measured"; packing: "standard" | "compact"; revision: number; gauge: Gauge | null; ms: number }
  | { event: "ready" };

/** One row of the message table, as the page draws it. */
export interface RowCells {
  message: number;
  reference: string;
  text: string;
  cost: number | null;
  problems: string[];
  changed: boolean;
}


/** The selected message, with all the editor shows below the table. */
export interface MessageDetails {
  message: number;
  reference: string;
  text: string;
  canEdit: boolean;
  cost: number | null;
  problems: string[];
  inconsistent: boolean; // another message with its reference text is translated differently
  suggestions: Suggestion[];
  referenceMarks: TextMark[];
  textMarks: TextMark[];
}

/** What changed in the document: enough to keep it and to restore it. */
export interface DocumentState {
  info: DocumentInfo;
  changes: { language: number; message: number; text: string }[];
}
