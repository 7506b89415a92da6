// Opening and saving files through browser-fs-access: the File System Access
// API where the browser has it (a file chosen to write into is written in
// place), an <input type=file> and a download elsewhere.
import { fileOpen, fileSave, supported } from "browser-fs-access";

export const writesInPlace = supported;

export type FileKind = "lgp" | "flash" | "editable" | "ini";

const KINDS: Record<FileKind, { description: string; extensions: string[] }> = {
  lgp: { description: "Unicode LGpack file (*.lgp)", extensions: [".lgp"] },
  flash: { description: "Binary flash file (*.bin), SL4x language file (*.lng)", extensions: [".bin", ".lng"] },
  editable: { description: "Unicode LGpack file, binary flash file or SL4x language file", extensions: [".lgp", ".bin", ".lng"] },
  ini: { description: "Configuration (tarvo.ini)", extensions: [".ini"] },
};

export interface OpenedFile {
  name: string;
  file: File;
  handle?: FileSystemFileHandle;
}

/** Asks for a file; null when the person cancels. */
export async function openFile(kind: FileKind): Promise<OpenedFile | null> {
  try {
    const file = await fileOpen({ ...KINDS[kind], id: kind });
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
export async function saveFile(bytes: Promise<Uint8Array> | Uint8Array, name: string, kind: FileKind,
                               handle?: FileSystemFileHandle): Promise<boolean> {
  const blob = Promise.resolve(bytes).then((data) => new Blob([data as Uint8Array<ArrayBuffer>], { type: "application/octet-stream" }));
  try {
    await fileSave(blob, { fileName: name, ...KINDS[kind], id: kind }, handle ?? null, true);
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
