// What the page keeps in the browser (IndexedDB): the person's own tarvo.ini
// until they remove it, and the open work, kept as it is made, so that a
// reload, a crash or a closed tab loses nothing.
import { openDB, type IDBPDatabase } from "idb";

export interface KeptConfig {
  name: string;
  bytes: Uint8Array;
}

/** The open work: how the file was opened and every text changed since. */
export interface KeptWork {
  name: string;
  asImage: boolean;
  options: { saveLangSignatures: boolean; hexNumbers: boolean };
  changes: { language: number; message: number; text: string }[];
  saved: boolean; // the changes are those of the last save
  language: number;
  reference: number;
  message: number;
  keptAt: number;
}

const STORE = "kept";

export class Storage {
  private db: Promise<IDBPDatabase | null>;

  constructor(name = "tarvo") {
    const upgrade = (db: IDBPDatabase) => void db.createObjectStore(STORE);
    this.db = Promise.resolve()
      .then(() => openDB(name, 1, { upgrade }))
      .catch(() => null);
  }

  /** False when the browser refuses to keep anything (private browsing, storage refused). */
  async usable(): Promise<boolean> {
    return (await this.db) !== null;
  }

  private async get<T>(key: string): Promise<T | undefined> {
    const db = await this.db;
    try {
      return db ? ((await db.get(STORE, key)) as T | undefined) : undefined;
    } catch {
      return undefined;
    }
  }

  // False when nothing could be kept: the page then says so and goes on.
  private async put(key: string, value: unknown): Promise<boolean> {
    const db = await this.db;
    if (!db) return false;
    try {
      if (value === undefined) await db.delete(STORE, key);
      else await db.put(STORE, value, key);
      return true;
    } catch {
      return false; // storage full, or taken away meanwhile
    }
  }

  config = () => this.get<KeptConfig>("config");
  keepConfig = (config: KeptConfig | undefined) => this.put("config", config);
  work = () => this.get<KeptWork>("work");
  keepWork = (work: KeptWork | undefined) => this.put("work", work);
  // The opened file's bytes, kept once at opening, apart from the changes kept at every edit.
  workFile = () => this.get<Uint8Array>("work-file");
  keepWorkFile = (bytes: Uint8Array | undefined) => this.put("work-file", bytes);
  // The names given to LangIds, by LangId.
  languageNames = () => this.get<Record<number, string>>("language-names");
  keepLanguageNames = (names: Record<number, string>) => this.put("language-names", names);
}
