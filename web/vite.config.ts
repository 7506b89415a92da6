// The site: built into build/web/site, the core's module taken from
// build/web/core, and a service worker that keeps every file for offline use.
import { fileURLToPath } from "node:url";
import process from "node:process";
import { defineConfig } from "vite";
import { VitePWA } from "vite-plugin-pwa";

// TARVO_CORE_DIR: another build of the module.
const core = process.env.TARVO_CORE_DIR ?? fileURLToPath(new URL("../build/web/core", import.meta.url));

export default defineConfig({
  resolve: { alias: { "@tarvo/core": core } },
  build: {
    outDir: fileURLToPath(new URL("../build/web/site", import.meta.url)),
    emptyOutDir: true,
    target: "es2022",
  },
  worker: { format: "es" },
  server: { fs: { allow: [".", core] } },
  preview: { host: "127.0.0.1" },
  plugins: [
    VitePWA({
      registerType: "autoUpdate",
      injectRegister: "script",
      manifest: {
        name: "Tarvo",
        short_name: "Tarvo",
        description: "Edit the language pack of your phone's flash image: decompile, translate, compile. Nothing leaves your computer.",
        theme_color: "#2f5d8a",
        background_color: "#f4f4f4",
        display: "standalone",
        icons: [
          { src: "icons/tarvo_128.png", sizes: "128x128", type: "image/png" },
          { src: "icons/tarvo_256.png", sizes: "256x256", type: "image/png" },
        ],
      },
      workbox: {
        globPatterns: ["**/*.{js,css,html,wasm,png,webmanifest}"],
        maximumFileSizeToCacheInBytes: 16 * 1024 * 1024,
        navigateFallback: "index.html",
      },
    }),
  ],
});
