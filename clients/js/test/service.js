// Starts the real vantory-service on a free port for a test, with its own label folder.

import { spawn } from "node:child_process";
import { mkdtemp, readdir, rm } from "node:fs/promises";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, "../../..");
const serviceProgram =
  process.env.VANTORY_SERVICE ?? path.join(sourceDir, "build/native/programs/vantory-service/vantory-service");

/**
 * @param {string[]} allowedOrigins
 * @returns {Promise<{url: string, port: number, labels: string, recorded(): Promise<string[]>, stop(): Promise<void>}>}
 */
export async function startService(allowedOrigins = []) {
  const labels = await mkdtemp(path.join(tmpdir(), "vantory-service-test-"));
  const args = ["--port", "0", "--output", labels, ...allowedOrigins.flatMap((origin) => ["--allow-origin", origin])];
  // The sanitised build's leak report at exit is about the font libraries' caches, not ours.
  const child = spawn(serviceProgram, args, {
    stdio: ["ignore", "pipe", "inherit"],
    env: { ...process.env, ASAN_OPTIONS: "detect_leaks=0" },
  });
  const port = await new Promise((resolve, reject) => {
    let seen = "";
    child.stdout.on("data", (chunk) => {
      seen += chunk;
      const match = /listening on http:\/\/127\.0\.0\.1:(\d+)/.exec(seen);
      if (match) resolve(Number(match[1]));
    });
    child.on("exit", (code) => reject(new Error(`vantory-service exited with ${code} before listening: ${seen}`)));
    child.on("error", reject);
  });
  const exited = new Promise((resolve) => child.on("exit", resolve));
  return {
    url: `http://127.0.0.1:${port}`,
    port,
    labels,
    async recorded() {
      return (await readdir(labels)).filter((name) => name.endsWith(".json")).sort();
    },
    async stop() {
      child.kill("SIGTERM");
      await exited;
      await rm(labels, { recursive: true, force: true });
    },
  };
}
