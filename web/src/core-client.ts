// The page's side of the worker: calls as promises, the command's status and
// progress as they come, and a new worker when the old one fails.
import type { CallMessage, WorkerMessage } from "./protocol";
import type { Gauge } from "@tarvo/core/tarvo-core.mjs";

export interface Progress {
  status?(text: string): void;
  progress?(done: number, total: number): void;
}

export interface ClientEvents {
  measured(packing: "standard" | "compact", revision: number, gauge: Gauge | null, ms: number): void;
  /** The worker failed (a trap of the module, or the worker itself): it has been replaced by a fresh one. */
  failed(reason: string): void;
}

export class WorkerFault extends Error {}

interface Pending {
  resolve(value: unknown): void;
  reject(error: Error): void;
  progress?: Progress;
}

export class CoreClient {
  private worker!: Worker;
  private nextId = 1;
  private pending = new Map<number, Pending>();

  constructor(private readonly events: ClientEvents, private readonly makeWorker: () => Worker) {
    this.start();
  }

  private start() {
    this.worker = this.makeWorker();
    this.worker.onmessage = (event: MessageEvent<WorkerMessage>) => this.receive(event.data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.fail(event.message || "The worker stopped.");
    };
  }

  private receive(message: WorkerMessage) {
    if ("event" in message && message.event === "measured") {
      this.events.measured(message.packing, message.revision, message.gauge, message.ms);
      return;
    }
    if (!("id" in message)) return;
    if ("fatal" in message) {
      this.fail(message.fatal); // also for a fault outside any call (the measure)
      return;
    }
    const pending = this.pending.get(message.id);
    if (!pending) return;
    if ("event" in message) {
      if (message.event === "status") pending.progress?.status?.(message.text);
      else pending.progress?.progress?.(message.done, message.total);
    } else if ("error" in message) {
      this.pending.delete(message.id);
      pending.reject(new Error(message.error));
    } else {
      this.pending.delete(message.id);
      pending.resolve(message.value);
    }
  }

  // Every call in flight fails; the next calls go to a fresh worker.
  private fail(reason: string) {
    this.restart(reason);
    this.events.failed(reason);
  }

  /** A fresh worker, with the module as it starts; the calls in flight fail. */
  restart(reason = "The worker was started again.") {
    this.worker.terminate();
    const pending = [...this.pending.values()];
    this.pending.clear();
    this.start();
    for (const call of pending) call.reject(new WorkerFault(reason));
  }

  call<T>(method: string, args: unknown[] = [], progress?: Progress, transfer: Transferable[] = []): Promise<T> {
    const id = this.nextId++;
    return new Promise<T>((resolve, reject) => {
      this.pending.set(id, { resolve: resolve as (value: unknown) => void, reject, progress });
      const message: CallMessage = { id, method, args };
      this.worker.postMessage(message, transfer);
    });
  }
}
