// Serves the built site and drives Debian's chromium through it as a person
// would: the files they choose, the questions they answer, what they save.
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { chromium, type Browser, type BrowserContext, type Page } from "playwright-core";
import { preview, type PreviewServer } from "vite";

export const root = resolve(import.meta.dirname, "../../..");
export const examples = join(root, "examples");
export const site = join(root, "build/web/site");
export const cli = resolve(process.env.TARVO_CLI ?? join(root, "build/release/bin/tarvo-cli"));

export function tempDir() {
  return mkdtempSync(join(tmpdir(), "tarvo-page-"));
}

/** Runs the native tool; its standard error when it fails. */
export function native(...args: string[]) {
  return execFileSync(cli, args, { cwd: root, stdio: ["ignore", "pipe", "pipe"] });
}

export interface Session {
  browser: Browser;
  origin: string;
  close(): Promise<void>;
}

export async function startSession(): Promise<Session> {
  const server: PreviewServer = await preview({
    root: join(root, "web"),
    configFile: join(root, "web/vite.config.ts"),
    preview: { port: 0, host: "127.0.0.1", strictPort: false },
    logLevel: "silent",
  });
  const address = server.httpServer.address();
  if (!address || typeof address === "string") throw new Error("The preview server has no port.");
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  return {
    browser,
    origin: `http://127.0.0.1:${address.port}`,
    async close() {
      await browser.close();
      await new Promise((done) => server.httpServer.close(done));
    },
  };
}

// The File System Access API's pickers, answered from the origin's private
// file system: the test puts the files there and names the next one chosen.
const pickersFromOpfs = () => {
  const next: string[] = [];
  const handle = async (name: string) => (await navigator.storage.getDirectory()).getFileHandle(name, { create: true });
  Object.assign(window, {
    testPicks: next,
    showOpenFilePicker: async () => {
      const name = next.shift();
      if (!name) throw new DOMException("The user aborted a request.", "AbortError");
      return [await handle(name)];
    },
    showSaveFilePicker: async (options: { suggestedName?: string }) => handle(next.shift() ?? options.suggestedName ?? "Untitled"),
  });
};

const noFileSystemAccess = () => {
  for (const name of ["showOpenFilePicker", "showSaveFilePicker", "showDirectoryPicker"]) {
    delete (window as unknown as Record<string, unknown>)[name];
    delete (Window.prototype as unknown as Record<string, unknown>)[name];
  }
};

export interface Tab {
  context: BrowserContext;
  page: Page;
  requests: string[];
}

/** A new profile's tab on the site; `fileSystemAccess` false takes the browser's API away. */
export async function openTab(session: Session, fileSystemAccess: boolean, context?: BrowserContext): Promise<Tab> {
  context ??= await session.browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 800 } });
  await context.addInitScript(fileSystemAccess ? pickersFromOpfs : noFileSystemAccess);
  const requests: string[] = [];
  context.on("request", (request) => requests.push(request.url()));
  const page = await context.newPage();
  page.on("dialog", (dialog) => void dialog.accept().catch(() => {}));
  await page.goto(session.origin);
  await page.waitForSelector("body[data-ready]");
  return { context, page, requests };
}

/** Puts a file into the private file system and has the next picker choose it. */
export async function pickFromOpfs(page: Page, name: string, bytes?: Uint8Array) {
  await page.evaluate(async ({ name, data }) => {
    const dir = await navigator.storage.getDirectory();
    if (data) {
      const writable = await (await dir.getFileHandle(name, { create: true })).createWritable();
      await writable.write(new Uint8Array(data));
      await writable.close();
    }
    (window as unknown as { testPicks: string[] }).testPicks.push(name);
  }, { name, data: bytes ? [...bytes] : null });
}

export async function readOpfs(page: Page, name: string): Promise<Buffer> {
  const data = await page.evaluate(async (name) => {
    const file = await (await (await navigator.storage.getDirectory()).getFileHandle(name)).getFile();
    return [...new Uint8Array(await file.arrayBuffer())];
  }, name);
  return Buffer.from(data);
}

const chosen = new WeakMap<Page, string[]>();

/**
 * Has the browser's own file dialogs (no File System Access API) choose these
 * files in turn, clicking "Choose..." where the page first asks for a click.
 */
export function choose(page: Page, ...paths: string[]) {
  let queue = chosen.get(page);
  if (!queue) {
    const files = (queue = []);
    chosen.set(page, queue);
    page.on("filechooser", (chooser) => void chooser.setFiles(files.shift() ?? []));
    const click = page.locator("dialog.message-box[open] button", { hasText: "Choose..." });
    void (async () => {
      while (!page.isClosed()) {
        if (files.length > 0 && (await click.isVisible().catch(() => false))) await click.click().catch(() => {});
        await new Promise((done) => setTimeout(done, 50));
      }
    })();
  }
  queue.push(...paths);
}

/** Clicks and chooses files in the browser's own file dialogs. */
export async function clickAndChoose(page: Page, selector: string, ...paths: string[]) {
  choose(page, ...paths);
  await page.click(selector);
}

/** Waits for the next download and gives its name and bytes. */
export async function nextDownload(page: Page) {
  const download = await page.waitForEvent("download");
  const path = await download.path();
  return { name: download.suggestedFilename(), bytes: readFileSync(path) };
}

/** The open message box: its title and text; `answer` clicks one of its buttons. */
export async function messageBox(page: Page, answer?: string) {
  const box = page.locator("dialog.message-box[open]");
  await box.waitFor();
  const title = await box.locator("h2").textContent();
  const text = await box.locator(".message-text").textContent();
  if (answer) await box.getByRole("button", { name: answer, exact: true }).click();
  return { title, text };
}

export async function statusText(page: Page) {
  return page.locator("#StatusPanel").textContent();
}

/** The .lgp's text, without its byte order mark. */
export function lgpText(bytes: Buffer | Uint8Array) {
  return Buffer.from(bytes).subarray(2).toString("utf16le");
}

export function lgpBytes(text: string) {
  return Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, "utf16le")]);
}
