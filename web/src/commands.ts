// The two commands of the window, decompile and compile, on the page: their
// file questions, the command's own questions, and writing the result.
import type { CompileFailure, CompileOptions, CompileResult, DecompileResult, Failure, Question } from "@tarvo/core/tarvo-core.mjs";
import type { CoreClient, Progress } from "./core-client";
import { ask, choose, showMessage } from "./dialogs";
import { baseName, mayWrite, openFile, saveFile, writesInPlace, type OpenedFile } from "./files";

export interface CommandView extends Progress {
  lock(locked: boolean): void;
  options(): { saveLangSignatures: boolean; hexNumbers: boolean };
}

/** Says why a file could not be read or written, naming it. */
export async function fileProblem(action: string, name: string, error: unknown) {
  const reason = error instanceof Error ? error.message : String(error);
  await showMessage(`${action} ${name}: ${reason}`, "Error");
}

export async function readBytes(file: OpenedFile): Promise<Uint8Array | null> {
  try {
    // Through its handle, the file as it is now (a compile may have written it since it was chosen).
    const current = file.handle ? await file.handle.getFile() : file.file;
    return new Uint8Array(await current.arrayBuffer());
  } catch (error) {
    // Too large for the browser's memory, or gone since it was chosen.
    await fileProblem("Cannot read", file.name, error);
    return null;
  }
}

export async function decompileCommand(core: CoreClient, view: CommandView) {
  const flash = await openFile("flash", "Open LGpack in flash...");
  if (!flash) return;
  const image = await readBytes(flash);
  if (!image) return;
  view.lock(true);
  let failure: Failure | null = null;
  const lgp = core
    .call<DecompileResult | Failure>("decompile", [image, flash.name, view.options()], view, [image.buffer])
    .then((result) => {
      if (!result.ok) {
        failure = result;
        throw new Error(result.message);
      }
      return result.lgp;
    });
  try {
    // Asked at once, while the person's click still allows the browser's save dialog.
    if (!(await saveFile(lgp, `${baseName(flash.name)}.lgp`, "lgp", "Save decompiled LGpack as..."))) await lgp.catch(() => {});
  } catch (error) {
    const reported = failure as Failure | null;
    if (reported) await showMessage(reported.message, reported.title);
    else await fileProblem("Cannot save", `${baseName(flash.name)}.lgp`, error);
  } finally {
    view.lock(false);
  }
}

/** Where a compile writes: the flash image or language file chosen, and its bytes. */
export interface CompileTarget {
  file: OpenedFile;
  image: Uint8Array;
}

/**
 * Asks for the flash image to write into, as the window's "Save LGpack in
 * flash as..." (which asks before replacing it); `file` is one the person has
 * already chosen to write into.
 */
export async function chooseTarget(file?: OpenedFile | null): Promise<CompileTarget | null> {
  const flash = file ?? (await openFile("flash", "Save LGpack in flash as..."));
  if (!flash) return null;
  if (file && flash.handle && !(await mayWrite(flash.handle))) return null;
  if (!file && writesInPlace && flash.handle) {
    const replace = await choose("Save LGpack in flash as...", `${flash.name} already exists.\nDo you want to replace it?`, ["Yes", "No"]);
    if (replace !== 0 || !(await mayWrite(flash.handle))) return null;
  }
  const image = await readBytes(flash);
  return image ? { file: flash, image } : null;
}

type CompileCall = (options: CompileOptions) => Promise<CompileResult | Question | CompileFailure>;

/** Runs a compile, asks its questions and runs it again as answered; writes the result. */
export async function compileInto(target: CompileTarget, run: CompileCall, view: CommandView): Promise<boolean> {
  const options: CompileOptions = { crop: false, compact: false, force: false };
  view.lock(true);
  try {
    for (;;) {
      const result = await run(options);
      if (result.ok) return await writeResult(target, result, view);
      if ("question" in result) {
        const { question } = result;
        if (!(await ask(question.text, question.title))) {
          view.status?.("Stopped!");
          return false;
        }
        if (question.kind === "crop") options.crop = true;
        else if (question.kind === "compact") options.compact = true;
        else options.force = true;
        continue;
      }
      if (!result.silent) await showMessage(result.message, result.title);
      return false;
    }
  } finally {
    view.lock(false);
  }
}

async function writeResult(target: CompileTarget, result: CompileResult, view: CommandView): Promise<boolean> {
  for (const message of result.messages.filter((m) => m.kind === "notice")) await showMessage(message.text, message.title);
  try {
    if (await saveFile(result.image, target.file.name, "flash", "Save LGpack in flash as...", target.file.handle)) return true;
    view.status?.("Stopped!");
  } catch (error) {
    view.status?.("Stopped!");
    await fileProblem("Cannot write", target.file.name, error);
  }
  return false;
}

export async function compileCommand(core: CoreClient, view: CommandView) {
  const lgpFile = await openFile("lgp", "Open decompiled LGpack...");
  if (!lgpFile) return;
  const target = await chooseTarget();
  if (!target) return;
  const lgp = await readBytes(lgpFile);
  if (!lgp) return;
  await compileInto(target, (options) =>
    core.call("compile", [lgp, lgpFile.name, target.image, target.file.name, options], view), view);
}
