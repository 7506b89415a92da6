import { defineConfig } from "vitest/config";

// Whole sessions in Debian's chromium against the built site, one file at a time.
export default defineConfig({
  test: {
    include: ["tests/sessions/**/*.test.ts"],
    environment: "node",
    fileParallelism: false,
    testTimeout: 60_000,
    hookTimeout: 60_000,
  },
});
