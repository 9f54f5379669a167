// The client against the real service, and how it fails: no service, a slow one, an abort,
// a browser's local network permission, another platform.

import assert from "node:assert/strict";
import { readFile } from "node:fs/promises";
import http from "node:http";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import * as client from "../src/index.js";
import {
  AccessTokenRequiredError,
  BadRequestError,
  LocalNetworkPermissionError,
  OriginNotAllowedError,
  ServiceNotRunningError,
  ServiceTimeoutError,
  VantoryClient,
  VantoryError,
  displayFlag,
} from "../src/index.js";
import { closedPort, sourceDir, startService } from "./service.js";

const sample = async (name) =>
  JSON.parse(await readFile(path.join(sourceDir, "examples", `${name}.json`), "utf8")).arguments;
const declarations = () => readFile(path.join(sourceDir, "clients", "js", "src", "index.d.ts"), "utf8");

// The members an interface of index.d.ts declares.
function declaredMembers(text, name) {
  const body = text.match(new RegExp(`interface ${name}(?: extends \\w+)? \\{([^}]*)\\}`));
  assert.ok(body, `${name} is declared`);
  return [...body[1].replace(/\/\*\*[^]*?\*\//g, "").matchAll(/(\w+)\??:/g)].map((member) => member[1]).sort();
}

describe("VantoryClient against vantory-service", () => {
  let service;
  let vantory;
  before(async () => {
    service = await startService();
    vantory = new VantoryClient({ baseUrl: service.url, token: service.token });
  });
  after(() => service.stop());

  test("status and printers, and a printer's readiness", async () => {
    const status = await vantory.status();
    assert.equal(status.port, service.port);
    assert.equal(status.cups, false);
    assert.equal(status.recordOnly, true);
    const { printers } = await vantory.printers();
    assert.equal(printers[0].state, "idle");
    const readiness = await vantory.printer("DYMO LabelWriter 450");
    assert.equal(readiness.ready, true);
    // The Linux service's virtual printer; the Windows service's is the spooler's printer of that
    // description (under Wine, the tests' private cupsd's LW450 queue).
    const expected = process.env.VANTORY_SERVICE_PLATFORM === "windows" ? "LW450" : "Virtual label printer";
    assert.equal(readiness.destination.name, expected);
  });

  test("prints a HOSPITAL and a GENERIC label, says they were recorded only, and serves their files", async () => {
    const hospital = await vantory.PrintLabels(await sample("hospital"));
    assert.equal(hospital.result, true);
    assert.equal(hospital.recordOnly, true);
    assert.equal(hospital.replayed, false);
    assert.equal(hospital.labels.length, 1);
    assert.match(hospital.labels[0].id, /^label-\d{4}-[0-9a-f]{32}$/);
    const image = await vantory.labelFile(hospital.labels[0].png);
    assert.equal(image.type, "image/png");
    const description = JSON.parse(await (await vantory.labelFile(hospital.labels[0].json)).text());
    assert.match(JSON.stringify(description), /ROWE, SAM, K\./);

    const generic = await vantory.PrintGENERICLabels(await sample("generic"));
    assert.equal(generic.result, true);
    assert.notEqual(generic.labels[0].id, hospital.labels[0].id);
  });

  test("a program without the token may read the status and nothing else", async () => {
    const stranger = new VantoryClient({ baseUrl: service.url });
    assert.equal((await stranger.status()).service, "vantory-service");
    await assert.rejects(stranger.PrintLabels(await sample("hospital")), AccessTokenRequiredError);
    await assert.rejects(stranger.printers(), (error) => error.code === "ACCESS_TOKEN_REQUIRED" && error.status === 401);
  });

  test("a False from the control is a result with diagnostics, not an exception", async () => {
    const answer = await vantory.PrintLabels({ ...(await sample("hospital")), ClientType: "physician", DisplayDebugger: "false" });
    assert.equal(answer.result, false);
    assert.deepEqual(answer.labels, []);
    assert.ok(answer.diagnostics.length > 0);
  });

  test("a malformed request is a BadRequestError naming the member", async () => {
    await assert.rejects(vantory.PrintLabels({ PatientNmae: "X" }), (error) => {
      assert.ok(error instanceof BadRequestError);
      assert.equal(error.status, 400);
      assert.match(error.message, /PatientNmae/);
      return true;
    });
    await assert.rejects(vantory.PrintGENERICLabels({ Line1: [1, 2] }), /Line1/);
  });

  test("preview gives the PNG and prints nothing", async () => {
    const before = await service.recorded();
    const blob = await vantory.preview("PrintGENERICLabels", await sample("generic"));
    assert.equal(blob.type, "image/png");
    const bytes = new Uint8Array(await blob.arrayBuffer());
    assert.deepEqual([...bytes.slice(1, 4)], [0x50, 0x4e, 0x47]);
    assert.deepEqual(await service.recorded(), before);
    await assert.rejects(vantory.preview("PrintLabels", { ClientType: "NURSE" }), (error) => error.code === "NOT_PRINTABLE");
  });

  test("the same idempotency key prints once, and the repeat says it was replayed", async () => {
    const before = (await service.recorded()).length;
    const params = await sample("physician");
    const first = await vantory.PrintLabels(params, { idempotencyKey: "order-4711" });
    const second = await vantory.PrintLabels(params, { idempotencyKey: "order-4711" });
    assert.equal(first.replayed, false);
    assert.equal(second.replayed, true);
    assert.deepEqual({ ...second, replayed: false }, first);
    assert.equal((await service.recorded()).length, before + 1);
  });

  test("edited parameters get a fresh key and print, where the old key would be refused", async () => {
    const before = (await service.recorded()).length;
    const params = await sample("physician");
    const first = await vantory.PrintLabels(params, { idempotencyKey: "order-4712" });
    const edited = await vantory.PrintLabels({ ...params, PatientName: "DOE, JANE" }, { idempotencyKey: "order-4712" });
    assert.equal(edited.replayed, false);
    assert.notEqual(edited.idempotencyKey, first.idempotencyKey);
    assert.equal((await service.recorded()).length, before + 2);
    // What the service says to a client that reuses the key itself.
    const response = await fetch(`${service.url}/v1/PrintLabels`, {
      method: "POST",
      headers: { Authorization: `Bearer ${service.token}`, "Idempotency-Key": "order-4712", "Content-Type": "application/json" },
      body: JSON.stringify({ ...params, PatientName: "DOE, JOHN" }),
    });
    assert.equal(response.status, 422);
    assert.equal((await response.json()).error.code, "IDEMPOTENCY_KEY_REUSED");
  });

  test("a retry after a lost answer keeps its key and prints once; a print after an answer prints again", async () => {
    const params = { ...(await sample("generic")), Line1: "TXT^Retry" };
    let loseAnswer = true;
    const flaky = new VantoryClient({
      baseUrl: service.url,
      token: service.token,
      fetch: async (url, init) => {
        const response = await fetch(url, init);
        if (init.method === "POST" && loseAnswer) {
          loseAnswer = false;
          throw new TypeError("fetch failed");  // printed, but the answer never came
        }
        return response;
      },
    });
    const before = (await service.recorded()).length;
    await assert.rejects(flaky.PrintGENERICLabels(params), ServiceNotRunningError);
    const retried = await flaky.PrintGENERICLabels(params);
    assert.equal(retried.replayed, true);
    assert.equal((await service.recorded()).length, before + 1);
    const again = await flaky.PrintGENERICLabels(params);
    assert.equal(again.replayed, false, "a deliberate reprint prints");
    assert.equal((await service.recorded()).length, before + 2);
  });

  test("DisplayProperties without a page closes the dialogs as if Ok were pressed", async () => {
    const answer = await vantory.PrintLabels({ ...(await sample("hospital")), DisplayProperties: "True" });
    assert.equal(answer.result, true);
  });

  test("a page of an origin that is not allowed is told so, and nothing prints", async () => {
    const before = await service.recorded();
    const stranger = new VantoryClient({
      baseUrl: service.url,
      fetch: (url, init) => fetch(url, { ...init, headers: { ...init.headers, Origin: "https://evil.example" } }),
    });
    await assert.rejects(stranger.PrintLabels(await sample("hospital")), (error) => {
      assert.ok(error instanceof OriginNotAllowedError);
      assert.match(error.message, /--allow-origin https:\/\/evil\.example/);
      return true;
    });
    assert.deepEqual(await service.recorded(), before);
  });

  test("index.d.ts declares what the module exports and what the service answers", async () => {
    const text = await declarations();
    const openapi = await (await fetch(`${service.url}/v1/openapi.json`, { headers: { Authorization: `Bearer ${service.token}` } })).json();
    for (const method of ["PrintLabels", "PrintGENERICLabels"]) {
      const declared = declaredMembers(text, `${method}Parameters`);
      const published = Object.keys(openapi.components.schemas[`${method}Parameters`].properties).sort();
      assert.deepEqual(declared, published, method);
    }
    const exported = Object.keys(client).sort();
    const declaredExports = [...text.matchAll(/^export (?:class|function|const) (\w+)/gm)].map((match) => match[1]).sort();
    assert.deepEqual(declaredExports, exported);
    const answers = {
      Status: await vantory.status(),
      PrintResult: await vantory.PrintGENERICLabels(await sample("generic")),
      PrinterReadiness: await vantory.printer("LW450"),
      Printers: await vantory.printers(),
    };
    for (const [name, answer] of Object.entries(answers)) assert.deepEqual(declaredMembers(text, name), Object.keys(answer).sort(), name);
    assert.deepEqual(declaredMembers(text, "Printer"), Object.keys(answers.Printers.printers[0]).sort());
    assert.deepEqual(declaredMembers(text, "PrintedLabel"), Object.keys(answers.PrintResult.labels[0]).sort());
    // What the service documents agrees too.
    for (const name of ["Status", "PrintResult"])
      assert.deepEqual(declaredMembers(text, name).filter((member) => !["replayed", "idempotencyKey"].includes(member)),
                       Object.keys(openapi.components.schemas[name].properties).sort(), name);
  });

  test("a body over the limit is refused with the error form", async () => {
    await assert.rejects(vantory.PrintGENERICLabels({ Line1: "x".repeat(5 << 20) }), (error) => {
      assert.ok(error instanceof VantoryError);
      assert.equal(error.code, "TOO_LARGE");
      return true;
    });
  });
});

describe("finding the service", () => {
  test("looks over the documented ports in order, and an explicit URL wins", async () => {
    const service = await startService();
    try {
      const nothing = await closedPort();
      const found = new VantoryClient({ ports: [nothing, service.port], token: service.token });
      assert.equal(await found.serviceUrl(), service.url);
      assert.equal((await found.status()).port, service.port);
      const pinned = new VantoryClient({ baseUrl: `http://127.0.0.1:${nothing}`, ports: [service.port] });
      await assert.rejects(pinned.status(), (error) => error instanceof ServiceNotRunningError && error.message.includes(`:${nothing}`));
      assert.deepEqual([...client.DEFAULT_PORTS], [41951, 41952, 41953, 41954, 41955]);
    } finally {
      await service.stop();
    }
  });

  test("a service that is not running says how to start it, on each platform", async () => {
    const ports = [await closedPort()];
    await assert.rejects(new VantoryClient({ ports }).status(), (error) => {
      assert.ok(error instanceof ServiceNotRunningError);
      assert.equal(error.code, "SERVICE_NOT_RUNNING");
      assert.match(error.message, new RegExp(`127\\.0\\.0\\.1:${ports[0]}`));
      return true;
    });
    const steps = {
      linux: /systemctl --user start vantory-service/,
      windows: /sign out of Windows and in again/,
      mac: /runs on Windows and Linux only/,
      other: /ask your IT department/i,
    };
    for (const [platform, step] of Object.entries(steps)) {
      const error = new ServiceNotRunningError("http://127.0.0.1:41951", undefined, platform);
      assert.match(error.message, step, platform);
      if (platform !== "linux") assert.doesNotMatch(error.message, /systemctl/, platform);
    }
  });
});

describe("calls that do not end by themselves", () => {
  let silent, port;
  before(async () => {
    // Takes every request and never answers.
    silent = http.createServer(() => {});
    await new Promise((resolve) => silent.listen(0, "127.0.0.1", resolve));
    port = silent.address().port;
  });
  after(() => {
    silent.closeAllConnections();
    silent.close();
  });

  test("timeoutMs ends a call, and a print's message says the label may still print", async () => {
    const vantory = new VantoryClient({ baseUrl: `http://127.0.0.1:${port}` });
    await assert.rejects(vantory.status({ timeoutMs: 200 }), (error) => error instanceof ServiceTimeoutError && error.code === "TIMEOUT");
    await assert.rejects(vantory.PrintLabels({}, { timeoutMs: 200 }), (error) => {
      assert.ok(error instanceof ServiceTimeoutError);
      assert.match(error.message, /may still print/);
      return true;
    });
    const impatient = new VantoryClient({ baseUrl: `http://127.0.0.1:${port}`, timeoutMs: 150 });
    await assert.rejects(impatient.printers(), ServiceTimeoutError);
  });

  test("a signal aborts a call with its own reason", async () => {
    const vantory = new VantoryClient({ baseUrl: `http://127.0.0.1:${port}` });
    const controller = new AbortController();
    const call = vantory.PrintGENERICLabels({}, { signal: controller.signal });
    setTimeout(() => controller.abort(new Error("the user closed the order")), 50);
    await assert.rejects(call, /the user closed the order/);
    await assert.rejects(vantory.status({ signal: AbortSignal.abort() }), (error) => error.name === "AbortError");
  });
});

test("a browser's local network permission is reported as such, not as a service that is not running", async () => {
  const had = Object.getOwnPropertyDescriptor(globalThis, "navigator");
  try {
    for (const state of ["prompt", "denied"]) {
      Object.defineProperty(globalThis, "navigator", {
        configurable: true,
        value: { permissions: { query: async ({ name }) => (name === "loopback-network" ? { state } : Promise.reject(new TypeError())) } },
      });
      const vantory = new VantoryClient({ baseUrl: "http://127.0.0.1:41951", fetch: async () => { throw new TypeError("Failed to fetch"); } });
      assert.equal(await vantory.localNetworkPermission(), state);
      await assert.rejects(vantory.status(), (error) => {
        assert.ok(error instanceof LocalNetworkPermissionError, state);
        assert.equal(error.state, state);
        assert.equal(error.code, state === "prompt" ? "LOCAL_NETWORK_PROMPT" : "LOCAL_NETWORK_DENIED");
        assert.match(error.message, state === "prompt" ? /choose "Allow"/ : /site settings/);
        return true;
      });
    }
  } finally {
    if (had) Object.defineProperty(globalThis, "navigator", had);
    else delete globalThis.navigator;
  }
});

test("displayFlag reads true in any letter case and nothing else", () => {
  for (const value of ["true", "TRUE", "tRuE", true, { type: "Bool", value: true }]) assert.equal(displayFlag(value), true, String(value));
  for (const value of ["yes", "1", -1, null, undefined, "", " true", false]) assert.equal(displayFlag(value), false, String(value));
});
