// Names a person gives the LangIds ("German" for 2), kept in the browser and
// shown wherever a language is chosen or named; the files keep numbers.
export type NameRecord = Record<number, string>;

export class LanguageNames {
  private names = new Map<number, string>();

  constructor(private readonly keep: (names: NameRecord) => Promise<boolean> = async () => true) {}

  load(kept: NameRecord | undefined) {
    this.names = new Map(Object.entries(kept ?? {}).map(([langId, name]) => [Number(langId), String(name)]));
  }

  name(langId: number | undefined): string {
    return langId === undefined ? "" : this.names.get(langId) ?? "";
  }

  /** "2 · German", or "LangId 2" without a name. */
  label(langId: number | undefined): string {
    const name = this.name(langId);
    return name ? `${langId} \u00B7 ${name}` : `LangId ${langId}`;
  }

  /** An empty name takes the name away; false when the browser kept nothing (it holds for this visit). */
  set(langId: number, name: string): Promise<boolean> {
    const trimmed = name.trim();
    if (trimmed) this.names.set(langId, trimmed);
    else this.names.delete(langId);
    return this.keep(Object.fromEntries(this.names));
  }
}
