// The table of messages: a WAI-ARIA grid with one tab stop, arrow keys and
// only the rows in sight drawn (@tanstack/virtual-core). It holds the row
// order (message numbers, found by the core) and the cells of the rows in
// sight, which it asks for through `fetchRows`.
import { Virtualizer, elementScroll, observeElementOffset, observeElementRect } from "@tanstack/virtual-core";
import type { RowCells } from "../protocol";
import { messageNumber } from "../format";

const ROW_HEIGHT = 24;
const COLUMNS = ["Number", "Reference", "Translation", "Bytes", "Problems"];

export interface TableOwner {
  fetchRows(messages: number[]): Promise<RowCells[]>;
  currentChanged(message: number): void;
  /** Enter or a double click on a row: edit its text. */
  editCurrent(): void;
}

export class MessageTable {
  readonly element: HTMLElement;
  private readonly scroller: HTMLElement;
  private readonly body: HTMLElement;
  private readonly header: HTMLElement;
  private readonly virtualizer: Virtualizer<HTMLElement, HTMLElement>;
  private messages: Int32Array = new Int32Array(0);
  // The cells of rows drawn; those not yet asked for again since the texts
  // changed are drawn as they were until the new ones come (no blank rows).
  private cells = new Map<number, RowCells>();
  private fresh = new Set<number>();
  private asked = new Set<number>();
  private generation = 0;
  private current = -1; // row index
  hex = false;

  constructor(private readonly owner: TableOwner) {
    this.element = document.createElement("div");
    this.element.className = "message-table";
    this.element.id = "MessageTable";
    this.element.setAttribute("role", "grid");
    this.element.setAttribute("aria-label", "Messages");
    this.element.tabIndex = 0;
    this.header = document.createElement("div");
    this.header.className = "row header";
    this.header.setAttribute("role", "row");
    this.header.setAttribute("aria-rowindex", "1");
    this.setHeader("Reference", "Translation");
    this.scroller = document.createElement("div");
    this.scroller.className = "scroller";
    this.body = document.createElement("div");
    this.body.className = "rows";
    this.body.setAttribute("role", "rowgroup");
    this.scroller.append(this.body);
    this.element.append(this.header, this.scroller);
    this.element.addEventListener("keydown", (event) => this.key(event));
    this.body.addEventListener("click", (event) => {
      const row = (event.target as HTMLElement).closest<HTMLElement>("[data-row]");
      if (row) this.select(Number(row.dataset.row));
      // A double click (the rows are drawn anew between its clicks) edits the row's text.
      if (row && event.detail >= 2) this.owner.editCurrent();
    });
    this.virtualizer = new Virtualizer<HTMLElement, HTMLElement>({
      count: 0,
      getScrollElement: () => this.scroller,
      estimateSize: () => ROW_HEIGHT,
      overscan: 12,
      scrollToFn: elementScroll,
      observeElementRect,
      observeElementOffset,
      onChange: () => this.draw(),
    });
  }

  private mounted = false;

  /** Starts following the scroller; once, when the table is first shown. */
  mount() {
    if (!this.mounted) this.virtualizer._didMount();
    this.mounted = true;
    this.virtualizer._willUpdate();
  }

  setHeader(reference: string, translation: string) {
    const titles = [...COLUMNS];
    titles[1] = reference;
    titles[2] = translation;
    this.header.replaceChildren(...titles.map((title, column) => {
      const cell = document.createElement("div");
      cell.setAttribute("role", "columnheader");
      cell.className = `c${column}`;
      cell.textContent = title;
      return cell;
    }));
  }

  /** New rows (in message order); the current message stays current where it is still shown. */
  setRows(messages: Int32Array, keep: number) {
    this.messages = messages;
    this.cells.clear(); // other rows, or other languages: nothing of the old ones stays
    this.invalidate();
    this.element.setAttribute("aria-rowcount", String(messages.length + 1));
    this.virtualizer.setOptions({ ...this.virtualizer.options, count: messages.length });
    this.virtualizer._willUpdate();
    const row = this.rowOf(keep);
    this.current = row >= 0 ? row : messages.length > 0 ? 0 : -1;
    this.virtualizer.measure();
    this.draw();
    this.owner.currentChanged(this.currentMessage());
  }

  /** Every drawn cell is asked for again (texts, costs or problems changed). */
  invalidate() {
    this.generation++;
    this.fresh.clear();
    this.asked.clear();
    this.draw();
  }

  get rowCount() {
    return this.messages.length;
  }

  currentMessage(): number {
    return this.current >= 0 && this.current < this.messages.length ? this.messages[this.current] : -1;
  }

  rowOf(message: number): number {
    // The rows are in message order.
    let low = 0, high = this.messages.length - 1;
    while (low <= high) {
      const middle = (low + high) >> 1;
      if (this.messages[middle] === message) return middle;
      if (this.messages[middle] < message) low = middle + 1;
      else high = middle - 1;
    }
    return -1;
  }

  select(row: number) {
    if (row < 0 || row >= this.messages.length) return false;
    const moved = row !== this.current;
    this.current = row;
    this.virtualizer.scrollToIndex(row, { align: "auto" });
    this.draw();
    if (moved) this.owner.currentChanged(this.currentMessage());
    return true;
  }

  step(direction: number) {
    return this.select(this.current + direction);
  }

  private key(event: KeyboardEvent) {
    if (event.ctrlKey || event.altKey || event.metaKey) return;
    if (event.key === "Enter") {
      event.preventDefault();
      this.owner.editCurrent();
      return;
    }
    const page = Math.max(1, Math.floor(this.scroller.clientHeight / ROW_HEIGHT) - 1);
    const moves: Record<string, number> = {
      ArrowDown: this.current + 1, ArrowUp: this.current - 1, PageDown: this.current + page,
      PageUp: this.current - page, Home: 0, End: this.messages.length - 1,
    };
    if (!(event.key in moves)) return;
    event.preventDefault();
    this.select(Math.min(Math.max(moves[event.key], 0), this.messages.length - 1));
  }

  private draw() {
    const items = this.virtualizer.getVirtualItems();
    this.body.style.height = `${this.virtualizer.getTotalSize()}px`;
    const missing: number[] = [];
    const rows = items.map((item) => {
      const message = this.messages[item.index];
      const cells = this.cells.get(message);
      if (!this.fresh.has(message) && !this.asked.has(message)) missing.push(message);
      return this.drawRow(item.index, item.start, message, cells);
    });
    this.body.replaceChildren(...rows);
    const active = this.current >= 0 ? `row-${this.current}` : "";
    if (active) this.element.setAttribute("aria-activedescendant", active);
    else this.element.removeAttribute("aria-activedescendant");
    if (missing.length > 0) this.fetch(missing);
  }

  private async fetch(messages: number[]) {
    const generation = this.generation;
    messages.forEach((message) => this.asked.add(message));
    const rows = await this.owner.fetchRows(messages).catch(() => [] as RowCells[]);
    if (generation !== this.generation) return; // asked for texts that have changed since
    for (const row of rows) {
      this.cells.set(row.message, row);
      this.fresh.add(row.message);
    }
    this.draw();
  }

  private drawRow(index: number, start: number, message: number, cells: RowCells | undefined) {
    const row = document.createElement("div");
    row.className = "row";
    row.id = `row-${index}`;
    row.dataset.row = String(index);
    row.setAttribute("role", "row");
    row.setAttribute("aria-rowindex", String(index + 2));
    row.style.transform = `translateY(${start}px)`;
    if (index === this.current) {
      row.classList.add("current");
      row.setAttribute("aria-selected", "true");
    }
    if (cells?.changed) row.classList.add("changed");
    const texts = [messageNumber(message, this.hex), cells?.reference ?? "", cells?.text ?? "",
      cells?.cost == null ? "" : String(cells.cost), cells && cells.problems.length > 0 ? "\u26A0" : ""];
    texts.forEach((text, column) => {
      const cell = document.createElement("div");
      cell.setAttribute("role", "gridcell");
      cell.className = `c${column}`;
      cell.textContent = text;
      if (column === 4 && cells && cells.problems.length > 0) cell.title = cells.problems.join("\n");
      row.append(cell);
    });
    return row;
  }
}
