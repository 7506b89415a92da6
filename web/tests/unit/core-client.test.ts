import { describe, expect, it, vi } from "vitest";
import { CoreClient, WorkerFault } from "../../src/core-client";

// A worker that answers as the test says.
class FakeWorker {
  static made: FakeWorker[] = [];
  onmessage: ((event: { data: unknown }) => void) | null = null;
  onerror: ((event: { message: string; preventDefault(): void }) => void) | null = null;
  posted: { id: number; method: string; args: unknown[] }[] = [];
  terminated = false;
  constructor() {
    FakeWorker.made.push(this);
  }
  postMessage(message: { id: number; method: string; args: unknown[] }) {
    this.posted.push(message);
  }
  terminate() {
    this.terminated = true;
  }
  answer(data: unknown) {
    this.onmessage?.({ data });
  }
}

function client() {
  FakeWorker.made = [];
  const events = { measured: vi.fn(), failed: vi.fn() };
  const core = new CoreClient(events, () => new FakeWorker() as unknown as Worker);
  return { core, events, worker: () => FakeWorker.made.at(-1)! };
}

describe("the page's side of the worker", () => {
  it("resolves each call with its own answer and passes progress on", async () => {
    const { core, worker } = client();
    const status = vi.fn();
    const first = core.call("decompile", [1], { status });
    const second = core.call("info");
    const [a, b] = worker().posted;
    worker().answer({ id: a.id, event: "status", text: "Analyzing..." });
    worker().answer({ id: b.id, value: "info" });
    worker().answer({ id: a.id, value: "lgp" });
    expect(await second).toBe("info");
    expect(await first).toBe("lgp");
    expect(status).toHaveBeenCalledWith("Analyzing...");
  });

  it("rejects a call whose method failed, and the worker stays", async () => {
    const { core, worker, events } = client();
    const call = core.call("rows");
    worker().answer({ id: worker().posted[0].id, error: "No document is open." });
    await expect(call).rejects.toThrow("No document is open.");
    expect(events.failed).not.toHaveBeenCalled();
    expect(FakeWorker.made).toHaveLength(1);
  });

  it.each(["fatal", "fatal outside any call", "error event"])("replaces the worker after a %s and fails every call in flight", async (how) => {
    const { core, worker, events } = client();
    const old = worker();
    const calls = [core.call("apply"), core.call("measure")];
    if (how === "fatal") old.answer({ id: old.posted[0].id, fatal: "RuntimeError: unreachable" });
    else if (how === "fatal outside any call") old.answer({ id: 0, fatal: "the open document was lost" });
    else old.onerror?.({ message: "out of memory", preventDefault() {} });
    for (const call of calls) await expect(call).rejects.toBeInstanceOf(WorkerFault);
    expect(old.terminated).toBe(true);
    expect(worker()).not.toBe(old);
    expect(events.failed).toHaveBeenCalledOnce();
    // The next call goes to the new worker.
    void core.call("init");
    expect(worker().posted.map((p) => p.method)).toEqual(["init"]);
  });

  it("hands measures to the editor whatever call is in flight", () => {
    const { worker, events } = client();
    worker().answer({ event: "measured", packing: "compact", revision: 7, gauge: null, ms: 3 });
    expect(events.measured).toHaveBeenCalledWith("compact", 7, null, 3);
  });
});
