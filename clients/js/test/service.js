// Starts the real vantory-service on a free port for a test, recording only, with its own
// label folder and access token.

import { spawn } from "node:child_process";
import { mkdtemp, readFile, readdir, rm } from "node:fs/promises";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, "../../..");
const serviceProgram =
  process.env.VANTORY_SERVICE ?? path.join(sourceDir, "build/native/programs/vantory-service/vantory-service");

/**
 * @param {string[]} allowedOrigins
 * @param {{port?: number}} [options]
 * @returns {Promise<{url: string, port: number, labels: string, token: string, recorded(): Promise<string[]>, stop(): Promise<void>}>}
 */
export async function startService(allowedOrigins = [], { port: wanted = 0 } = {}) {
  const folder = await mkdtemp(path.join(tmpdir(), "vantory-service-test-"));
  const labels = path.join(folder, "labels");
  const tokenFile = path.join(folder, "access-token");
  const args = ["--port", String(wanted), "--record-only", "--output", labels, "--token-file", tokenFile,
                ...allowedOrigins.flatMap((origin) => ["--allow-origin", origin])];
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
    token: (await readFile(tokenFile, "utf8")).trim(),
    async recorded() {
      return (await readdir(labels)).filter((name) => name.endsWith(".json")).sort();
    },
    async stop() {
      child.kill("SIGTERM");
      await exited;
      await rm(folder, { recursive: true, force: true });
    },
  };
}

/** A port nothing listens on (it was free a moment ago). */
export async function closedPort() {
  const { createServer } = await import("node:net");
  const server = createServer();
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}
