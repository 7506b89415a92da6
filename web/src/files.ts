// Opening and saving files through browser-fs-access: the File System Access
// API where the browser has it (a file chosen to write into is written in
// place), an <input type=file> and a download elsewhere.
import { fileOpen, fileSave, supported } from "browser-fs-access";
import { choose } from "./dialogs";

export const writesInPlace = supported;

export type FileKind = "lgp" | "flash" | "editable" | "ini";

const KINDS: Record<FileKind, { description: string; extensions: string[]; what: string }> = {
  lgp: { description: "Unicode LGpack file (*.lgp)", extensions: [".lgp"], what: "LGpack text file (.lgp)" },
  flash: { description: "Binary flash file (*.bin), SL4x language file (*.lng)", extensions: [".bin", ".lng"],
    what: "flash image (.bin) or language file (.lng)" },
  editable: { description: "Unicode LGpack file, binary flash file or SL4x language file", extensions: [".lgp", ".bin", ".lng"],
    what: "LGpack text file, flash image or language file" },
  ini: { description: "Configuration (tarvo.ini)", extensions: [".ini"], what: "configuration (tarvo.ini)" },
};

export interface OpenedFile {
  name: string;
  file: File;
  handle?: FileSystemFileHandle;
}

/**
 * Browsers show a file dialog only at a person's click. A dialog that follows
 * another one, or a command, asks for that click first under its own title;
 * false when the person cancels.
 */
async function clickAllowsDialog(title: string, text: string): Promise<boolean> {
  const activation = (navigator as Navigator & { userActivation?: { isActive: boolean } }).userActivation;
  if (!activation || activation.isActive) return true;
  return (await choose(title, text, ["Choose...", "Cancel"])) === 0;
}

/** Asks for a file under the window's dialog title; null when the person cancels. */
export async function openFile(kind: FileKind, title: string): Promise<OpenedFile | null> {
  if (!(await clickAllowsDialog(title, `Choose the ${KINDS[kind].what}.`))) return null;
  try {
    const { description, extensions } = KINDS[kind];
    const file = await fileOpen({ description, extensions, id: kind });
    return { name: file.name, file, handle: file.handle };
  } catch (error) {
    if (error instanceof DOMException && error.name === "AbortError") return null;
    throw error;
  }
}

export function isCancel(error: unknown): boolean {
  return error instanceof DOMException && error.name === "AbortError";
}

/**
 * Writes `bytes` into the file of `handle`, or asks where to save them (a
 * download under `name` where the browser cannot write files). `bytes` may
 * be still on its way: the question is asked at once, while the person's
 * click still allows it. False when the person cancelled.
 */
export async function saveFile(bytes: Promise<Uint8Array> | Uint8Array, name: string, kind: FileKind, title: string,
                               handle?: FileSystemFileHandle): Promise<boolean> {
  if (supported && !handle && !(await clickAllowsDialog(title, `Choose where to save ${name}.`))) return false;
  const blob = Promise.resolve(bytes).then((data) => new Blob([data as Uint8Array<ArrayBuffer>], { type: "application/octet-stream" }));
  try {
    const { description, extensions } = KINDS[kind];
    await fileSave(blob, { fileName: name, description, extensions, id: kind }, handle ?? null, true);
    return true;
  } catch (error) {
    if (isCancel(error)) return false;
    throw error;
  }
}

/** Asks, at the person's click, for leave to write into a file chosen for reading. */
export async function mayWrite(handle: FileSystemFileHandle): Promise<boolean> {
  const permission = handle as FileSystemFileHandle & {
    queryPermission?(options: { mode: string }): Promise<PermissionState>;
    requestPermission?(options: { mode: string }): Promise<PermissionState>;
  };
  if (!permission.queryPermission || !permission.requestPermission) return true;
  if ((await permission.queryPermission({ mode: "readwrite" })) === "granted") return true;
  return (await permission.requestPermission({ mode: "readwrite" })) === "granted";
}

export function baseName(name: string): string {
  const dot = name.lastIndexOf(".");
  return dot > 0 ? name.slice(0, dot) : name;
}
