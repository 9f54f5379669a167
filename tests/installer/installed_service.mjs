// The print service the installer started at login, used as a lab's ordering page uses it, in
// Debian's chromium: the example page from the allowed origin prints the HOSPITAL sample; the
// same page from another origin is told it is not allowed and prints nothing.
// Usage: node installed_service.mjs SERVICE_URL WEB_PORT ARTIFACTS
// WEB_PORT is the port of the origin the service's configuration allows (http://127.0.0.1:PORT).
// Prints one "ok: ..." or "FAIL: ..." line per check; exits 1 on any failure.

import { mkdir, readFile } from "node:fs/promises";
import { createRequire } from "node:module";
import http from "node:http";
import path from "node:path";
import { fileURLToPath } from "node:url";

const [serviceUrl, webPort, artifacts] = process.argv.slice(2);
const sourceDir = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
const puppeteer = createRequire(path.join(sourceDir, "clients/js/package.json"))("puppeteer-core");
const types = { ".html": "text/html", ".js": "text/javascript", ".json": "application/json" };

let failures = 0;
const check = (what, good, got) => {
  console.log(good ? `ok: ${what}` : `FAIL: ${what}: got ${got}`);
  if (!good) failures += 1;
};

const web = http.createServer(async (request, response) => {
  const file = path.normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
  try {
    if (!["/examples/", "/clients/js/src/"].some((folder) => file.startsWith(folder))) throw new Error("not served");
    const body = await readFile(path.join(sourceDir, file));
    response.writeHead(200, { "Content-Type": types[path.extname(file)] ?? "application/octet-stream" });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => web.listen(Number(webPort), "127.0.0.1", resolve));
await mkdir(artifacts, { recursive: true });
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
  headless: true,
  args: ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync"],
});

// Prints the HOSPITAL sample from the page at `origin`; answers what the page showed.
async function printFrom(origin, screenshot) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 1100 });
  await page.goto(`${origin}/examples/web/order.html?service=${encodeURIComponent(serviceUrl)}`);
  await page.waitForSelector("body[data-ready=true]");
  await page.select("#sample", "hospital");
  await page.waitForSelector("body[data-loaded=hospital]");
  await page.click("#print-button");
  await page.waitForFunction(() => document.querySelector("#result").textContent || document.querySelector("#error").textContent,
                             { timeout: 120000 });
  const shown = {
    result: await page.$eval("#result", (element) => element.textContent),
    error: await page.$eval("#error", (element) => element.textContent),
  };
  await page.screenshot({ path: path.join(artifacts, screenshot), fullPage: true });
  await page.close();
  return shown;
}

try {
  const allowed = await printFrom(`http://127.0.0.1:${webPort}`, "installed-service-printed.png");
  const answer = allowed.result ? JSON.parse(allowed.result) : {};
  check("the allowed page printed the HOSPITAL sample (True, one label)",
        allowed.error === "" && answer.result === true && answer.labels?.length === 1, JSON.stringify(allowed));
  const stranger = await printFrom(`http://localhost:${webPort}`, "installed-service-refused.png");
  check("a page of another origin is told it is not allowed", /^OriginNotAllowedError: /.test(stranger.error),
        JSON.stringify(stranger));
  const refusal = await fetch(`${serviceUrl}/v1/PrintLabels`, {
    method: "POST",
    headers: { Origin: `http://localhost:${webPort}`, "Content-Type": "application/json" },
    body: "{}",
  });
  check("its request is answered 403", refusal.status === 403, refusal.status);
} finally {
  await browser.close();
  web.close();
}
process.exit(failures ? 1 : 0);
