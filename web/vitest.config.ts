import { defineConfig } from "vitest/config";

// The page's own logic, without a browser.
export default defineConfig({
  test: { include: ["tests/unit/**/*.test.ts"], environment: "node" },
});
