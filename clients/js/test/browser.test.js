// The example ordering page in a real browser (Debian's chromium, headless) against the real
// service: preview, print, the settings dialogs, the service's state, a page of an origin that
// is not allowed. The page is served from an address chromium is told is public
// (--ip-address-space-overrides), as a lab's ordering site is, so every call to the service
// goes through Local Network Access: with the permission granted, and once denied.
// Screenshots go to $VANTORY_ARTIFACTS (the build tree under ctest).

import assert from "node:assert/strict";
import { mkdir, mkdtemp, readFile, rm } from "node:fs/promises";
import http from "node:http";
import { tmpdir } from "node:os";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import puppeteer from "puppeteer-core";

import { sourceDir, startService } from "./service.js";

const artifacts = process.env.VANTORY_ARTIFACTS ?? path.join(tmpdir(), "vantory-browser-artifacts");
const types = { ".html": "text/html", ".js": "text/javascript", ".json": "application/json" };

// The lab's web server: the example page, its sample data and the client, nothing else.
function startWebServer() {
  const server = http.createServer(async (request, response) => {
    const file = path.normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    const served = ["/examples/", "/clients/js/src/"].some((folder) => file.startsWith(folder));
    try {
      if (!served) throw new Error("not served");
      const body = await readFile(path.join(sourceDir, file));
      response.writeHead(200, { "Content-Type": types[path.extname(file)] ?? "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

describe("the example ordering page in chromium", () => {
  let web, service, browser, browserSession, userData, pageUrl, strangerUrl, webOrigin, strangerOrigin, pagePath;

  before(async () => {
    await mkdir(artifacts, { recursive: true });
    web = await startWebServer();
    const webPort = web.address().port;
    webOrigin = `http://127.0.0.1:${webPort}`;
    // The same page from http://localhost:PORT is another origin, one the service does not allow.
    strangerOrigin = `http://localhost:${webPort}`;
    service = await startService([webOrigin]);
    pagePath = `/examples/web/order.html?service=${encodeURIComponent(service.url)}`;
    pageUrl = webOrigin + pagePath;
    strangerUrl = strangerOrigin + pagePath;
    userData = await mkdtemp(path.join(tmpdir(), "vantory-chromium-"));
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
      headless: true,
      userDataDir: userData,
      args: ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync",
             // The lab's web server is a public site, as far as the browser knows; a secure one,
             // as the ordering site is (https there: Local Network Access is for secure pages only).
             `--ip-address-space-overrides=127.0.0.1:${webPort}=public`,
             `--unsafely-treat-insecure-origin-as-secure=${webOrigin},${strangerOrigin}`],
    });
    await allowLocalNetwork(webOrigin, "granted");
    await allowLocalNetwork(strangerOrigin, "granted");
  });

  // What the user answered to the browser's prompt for reaching this computer: set through the
  // browser's own DevTools session, which keeps it for as long as the session stays attached.
  async function allowLocalNetwork(origin, setting) {
    browserSession ??= await browser.target().createCDPSession();
    await browserSession.send("Browser.setPermission", { permission: { name: "loopback-network" }, setting, origin });
  }

  after(async () => {
    await browserSession?.detach().catch(() => {});
    await browser?.close();
    await service?.stop();
    web?.close();
    if (userData) await rm(userData, { recursive: true, force: true });
  });

  async function openPage(url, sample, context = browser) {
    const page = await context.newPage();
    await page.setViewport({ width: 1000, height: 1100 });
    await page.goto(url);
    await page.waitForSelector("body[data-ready=true]");
    assert.equal(await page.evaluate(() => document.querySelector("#service").dataset.state !== "checking"), true);
    if (sample) {
      await page.select("#sample", sample);
      await page.waitForSelector(`body[data-loaded=${sample}]`);
    }
    return page;
  }

  async function setField(page, parameter, value) {
    await page.$eval(`#param-${parameter}`, (input, text) => { input.value = text; }, value);
  }

  async function printAndWait(page) {
    await page.$eval("#result", (element) => { element.textContent = ""; });
    await page.click("#print-button");
    await page.waitForFunction(() => document.querySelector("#result").textContent || document.querySelector("#error").textContent);
    const error = await page.$eval("#error", (element) => element.textContent);
    assert.equal(error, "");
    return JSON.parse(await page.$eval("#result", (element) => element.textContent));
  }

  // Clicks Print and waits for the named settings dialog; a failure says what the page showed instead.
  async function printIntoDialog(page, form) {
    await page.click("#print-button");
    await page.waitForFunction(
      () => document.querySelector("dialog[open]") || document.querySelector("#error").textContent,
    );
    assert.equal(await page.$eval("#error", (element) => element.textContent), "");
    return page.waitForSelector(`dialog[data-form=${form}][open]`);
  }

  const recordedDescription = async (answer) =>
    readFile(path.join(service.labels, `${answer.labels[0].id}.json`), "utf8");

  test("Preview shows the label and Print records it", async () => {
    const page = await openPage(pageUrl, "hospital");
    await page.click("#preview-button");
    await page.waitForFunction(() => !document.querySelector("#preview").hidden && document.querySelector("#preview").naturalWidth > 0);
    const size = await page.$eval("#preview", (image) => [image.naturalWidth, image.naturalHeight]);
    assert.deepEqual(size, [675, 375]);  // 2-1/4 x 1-1/4 in at 300 dpi
    assert.deepEqual(await service.recorded(), []);

    const answer = await printAndWait(page);
    assert.equal(answer.result, true);
    assert.equal(answer.recordOnly, true);
    assert.match(await page.$eval("#status", (element) => element.textContent), /Recorded only: no printer was used/);
    assert.match(await recordedDescription(answer), /ROWE, SAM, K\./);
    await page.screenshot({ path: path.join(artifacts, "order-printed.png"), fullPage: true });
    await page.close();
  });

  test("the settings dialogs show the request, and their edits reach the label", async () => {
    const page = await openPage(pageUrl, "hospital");
    await setField(page, "DisplayProperties", "True");
    const first = await printIntoDialog(page, "frmPropertyPage");
    assert.equal(await first.$eval(".caption span", (span) => span.textContent), "Vantory ActiveX v.1.3.5");
    assert.equal(await page.evaluate(() => document.activeElement.name), "cmdSave");
    const order = [];
    for (let i = 0; i < 6; ++i) {
      await page.keyboard.press("Tab");
      order.push(await page.evaluate(() => document.activeElement.name));
    }
    assert.deepEqual(order, ["cmdRestoreDefaults", "txtPrinterName", "txtClientType", "txtLabelCopies",
                             "txtClientNumber", "cmdSave"]);
    assert.equal(await first.$eval("[name=txtClientType]", (box) => box.value), "HOSPITAL");
    assert.equal(await first.$eval("[name=txtLine1]", (box) => box.hidden), true);
    await first.$eval("[name=txtLabelCopies]", (box) => { box.value = "2"; });
    await page.screenshot({ path: path.join(artifacts, "print-parameters-dialog.png") });
    await first.$eval("[name=cmdSave]", (button) => button.click());

    const second = await page.waitForSelector("dialog[data-form=frmMoreProperties][open]");
    assert.equal(await second.$eval("[name=txtPatientName]", (box) => box.value), "ROWE, SAM, K.");
    await second.$eval("[name=txtPatientName]", (box) => { box.value = ""; });
    await second.click("[name=txtPatientName]");
    await page.keyboard.type("DOE, JANE");
    await page.screenshot({ path: path.join(artifacts, "patient-data-dialog.png") });
    await second.$eval("[name=cmdSave]", (button) => button.click());

    await page.waitForFunction(() => document.querySelector("#result").textContent);
    const answer = JSON.parse(await page.$eval("#result", (element) => element.textContent));
    assert.equal(answer.result, true);
    const description = await recordedDescription(answer);
    assert.match(description, /DOE, JANE/);
    assert.doesNotMatch(description, /ROWE/);
    assert.match(description, /"copies":\s*2/);
    await page.close();
  });

  test("GENERIC: Restore Defaults then the close box keeps the defaults, so the call answers False", async () => {
    const page = await openPage(pageUrl, "generic");
    const before = await service.recorded();
    await setField(page, "DisplayProperties", "TRUE");
    const dialog = await printIntoDialog(page, "frmPropertyPage");
    assert.equal(await dialog.$eval("[name=txtClientNumber]", (box) => box.hidden), true);
    assert.equal(await dialog.$eval("[name=txtLine3]", (box) => box.value), "BCD^S42-7");
    // Every box shown has a name a screen reader reads out, as the browser computes it.
    const names = {};
    for (const box of await dialog.$$("input:not([hidden])")) {
      const name = await box.evaluate((element) => element.name);
      names[name] = (await page.accessibility.snapshot({ root: box, interestingOnly: false }))?.name;
    }
    assert.deepEqual(names, {
      txtClientType: "Client Label Type:", txtPrinterName: "Printer Name:", txtLabelCopies: "Label Copies:",
      txtLine1: "Generic Input line 1", txtLine2: "Generic Input line 2", txtLine3: "Generic Input line 3",
      txtLine4: "Generic Input line 4", txtLine5: "Generic Input line 5",
    });
    // The control's own tab order: lines 1, 2, 3, 5, 4.
    await dialog.$eval("[name=txtLine2]", (box) => box.focus());
    const order = [];
    for (let i = 0; i < 3; ++i) {
      await page.keyboard.press("Tab");
      order.push(await page.evaluate(() => document.activeElement.name));
    }
    assert.deepEqual(order, ["txtLine3", "txtLine5", "txtLine4"]);
    await page.screenshot({ path: path.join(artifacts, "generic-dialog.png") });
    await dialog.$eval("[name=cmdRestoreDefaults]", (button) => button.click());
    assert.equal(await dialog.$eval("[name=txtClientType]", (box) => box.value), "HOSPITAL");
    assert.equal(await dialog.$eval("[name=txtLine3]", (box) => box.value), "BCD^S42-7");
    await dialog.$eval("button.close", (button) => button.click());

    await page.waitForFunction(() => document.querySelector("#result").textContent);
    const answer = JSON.parse(await page.$eval("#result", (element) => element.textContent));
    assert.equal(answer.result, false);
    assert.equal(answer.diagnostics[0].text, "Could not determine client type.");
    assert.deepEqual(await service.recorded(), before);
    await page.close();
  });

  test("a page from an origin that is not allowed gets the client's error and prints nothing", async () => {
    const before = await service.recorded();
    const page = await openPage(strangerUrl, "physician");
    await page.click("#print-button");
    await page.waitForFunction(() => document.querySelector("#error").textContent);
    const error = await page.$eval("#error", (element) => element.textContent);
    assert.match(error, /^OriginNotAllowedError: .*--allow-origin http:\/\/localhost:/);
    await page.screenshot({ path: path.join(artifacts, "origin-not-allowed.png"), fullPage: true });
    assert.deepEqual(await service.recorded(), before);
    await page.close();
  });

  test("the page shows the service's state on load, with what to do, and follows it when it changes", async () => {
    const own = await startService([webOrigin]);
    try {
      const page = await openPage(`${webOrigin}/examples/web/order.html?service=${encodeURIComponent(own.url)}`);
      assert.equal(await page.$eval("#service", (element) => element.dataset.state), "record-only");
      assert.match(await page.$eval("#service-state", (element) => element.textContent), /NOT printed.*without --record-only/);
      await page.screenshot({ path: path.join(artifacts, "service-record-only.png") });
      await own.stop();
      await page.waitForSelector("#service[data-state=not-running]", { timeout: 30000 });
      assert.match(await page.$eval("#service-state", (element) => element.textContent),
                   /not running.*systemctl --user start vantory-service/);
      await page.screenshot({ path: path.join(artifacts, "service-not-running.png") });
      await page.close();
    } finally {
      await own.stop().catch(() => {});
    }
  });

  test("with local network access denied the page says so, and prints nothing", async () => {
    const before = await service.recorded();
    await allowLocalNetwork(webOrigin, "denied");
    try {
      const page = await openPage(pageUrl, "physician");
      assert.equal(await page.$eval("#service", (element) => element.dataset.state), "permission-denied");
      await page.click("#print-button");
      await page.waitForFunction(() => document.querySelector("#error").textContent);
      assert.match(await page.$eval("#error", (element) => element.textContent),
                   /^LocalNetworkPermissionError: .*site settings/);
      await page.screenshot({ path: path.join(artifacts, "local-network-denied.png"), fullPage: true });
      await page.close();
    } finally {
      await allowLocalNetwork(webOrigin, "granted");
    }
    assert.deepEqual(await service.recorded(), before);
  });

  test("before the permission is asked the page sends nothing and offers to check", async () => {
    // A new profile's context: the user has not been asked yet.
    const context = await browser.createBrowserContext();
    try {
      const before = await service.recorded();
      const page = await openPage(pageUrl, undefined, context);
      assert.equal(await page.$eval("#service", (element) => element.dataset.state), "permission-prompt");
      assert.equal(await page.$eval("#check-service", (button) => button.hidden), false);
      assert.match(await page.$eval("#service-state", (element) => element.textContent), /choose "Allow"/);
      await page.screenshot({ path: path.join(artifacts, "local-network-prompt.png") });
      assert.deepEqual(await service.recorded(), before);
    } finally {
      await context.close();
    }
  });
});
