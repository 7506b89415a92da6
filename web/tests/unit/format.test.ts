import { describe, expect, it } from "vitest";
import { grouped, messageNumber, oneLine, parseMessageNumber } from "../../src/format";
import { gaugeParts, gaugeShares } from "../../src/editor/gauge";
import { LanguageNames, type NameRecord } from "../../src/editor/language-names";
import type { Gauge } from "@tarvo/core/tarvo-core.mjs";

describe("numbers as the window writes and reads them", () => {
  it.each([[0, "0"], [999, "999"], [1000, "1 000"], [1723, "1 723"], [-1054, "-1 054"], [12345678, "12 345 678"]])(
    "groups %i as %s", (value, text) => expect(grouped(value)).toBe(text));
  it.each([["123", 123], ["$7B", 123], [" $7b ", 123], ["0", 0], ["$", null], ["12a", null], ["-1", null], ["", null]])(
    "reads %j as %j", (typed, value) => expect(parseMessageNumber(typed)).toBe(value));
  it("writes message numbers in hex when the document does", () => {
    expect(messageNumber(26, true)).toBe("$1A");
    expect(messageNumber(26, false)).toBe("26");
  });
  it("turns typed line breaks into the line break escape", () => {
    expect(oneLine("a\r\nb\nc\rd\u2029e")).toBe("a<0A>b<0A>c<0D>d<0A>e");
  });
});

const gauge = (spare: number, extra: Partial<Gauge> = {}): Gauge => ({
  packed: true, failure: "", length: 24576 - spare, sizeLimit: 24576, spare, tablesFitFirstBlock: true, overlong: 0,
  fits: spare >= 0, payloads: [100, 2000], ...extra,
});

describe("the gauge", () => {
  it("shows both packings, over in red, only for the texts shown", () => {
    const parts = gaugeParts({ revision: 4, gauge: gauge(-1723) }, { revision: 4, gauge: gauge(1054) }, 4);
    expect(parts).toEqual([{ text: "Standard: 1 723 bytes over", over: true }, { text: "Compact: 1 054 bytes to spare", over: false }]);
  });
  it.each([[3, 4, 4], [4, 3, 4], [4, 4, 5]])("says Measuring... while a figure is of another revision (%i, %i, shown %i)",
    (standard, compact, shown) => {
      expect(gaugeParts({ revision: standard, gauge: gauge(1) }, { revision: compact, gauge: gauge(1) }, shown)).toBeNull();
    });
  it("shows why a packing failed", () => {
    const parts = gaugeParts({ revision: 1, gauge: gauge(0, { packed: false, fits: false, failure: "A string is too long." }) },
      { revision: 1, gauge: gauge(5) }, 1);
    expect(parts?.[0]).toEqual({ text: "Standard: A string is too long.", over: true });
  });
  it("gives each language's share with both packings, named languages by their names", async () => {
    const kept: NameRecord[] = [];
    const names = new LanguageNames(async (record) => kept.push(record) > 0);
    names.load({ 7: "German", 9: "French" });
    await names.set(9, "  ");
    await names.set(3, " Polish ");
    expect(kept).toEqual([{ 7: "German" }, { 3: "Polish", 7: "German" }]);
    const labels = [1, 7].map((langId) => names.label(langId));
    expect(gaugeShares(gauge(10), gauge(20, { payloads: [90, 1800] }), labels).split("\n")).toEqual([
      "LangId: standard · compact", "LangId 1: 100 · 90", "7 · German: 2 000 · 1 800", "Pack: 24 566 · 24 556",
      "Limit: 24 576"]);
  });
});
