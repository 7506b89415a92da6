// The gauge of the pack's room: "Standard: 1 723 bytes over · Compact: 1 054
// bytes to spare", each part red when over, and each language's share.
import type { Gauge } from "@tarvo/core/tarvo-core.mjs";
import { grouped } from "../format";

export interface GaugePart {
  text: string;
  over: boolean;
}

export interface MeasuredGauge {
  revision: number;
  gauge: Gauge | null;
}

function part(name: string, gauge: Gauge | null): GaugePart {
  if (!gauge) return { text: `${name}: not measured`, over: true };
  const room = !gauge.packed ? gauge.failure
    : gauge.spare < 0 ? `${grouped(-gauge.spare)} bytes over` : `${grouped(gauge.spare)} bytes to spare`;
  return { text: `${name}: ${room}`, over: !gauge.fits };
}

/** The two parts, or null while either is of another revision than the texts shown ("Measuring..."). */
export function gaugeParts(standard: MeasuredGauge | null, compact: MeasuredGauge | null, revision: number): GaugePart[] | null {
  if (!standard || !compact || standard.revision !== revision || compact.revision !== revision) return null;
  return [part("Standard", standard.gauge), part("Compact", compact.gauge)];
}

/** Each language's payload with both packings, the pack and its limit, one line each; `labels` name the languages. */
export function gaugeShares(standard: Gauge | null, compact: Gauge | null, labels: string[]): string {
  const cell = (gauge: Gauge | null, l: number) => (gauge && l < gauge.payloads.length ? grouped(gauge.payloads[l]) : "-");
  const lines = ["LangId: standard · compact"];
  labels.forEach((label, l) => lines.push(`${label}: ${cell(standard, l)} · ${cell(compact, l)}`));
  lines.push(`Pack: ${grouped(standard?.length ?? 0)} · ${grouped(compact?.length ?? 0)}`);
  lines.push(`Limit: ${grouped(standard?.sizeLimit ?? 0)}`);
  return lines.join("\n");
}
