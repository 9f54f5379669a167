// The client against the real service.

import assert from "node:assert/strict";
import { readFile } from "node:fs/promises";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import {
  BadRequestError,
  OriginNotAllowedError,
  ServiceNotRunningError,
  VantoryClient,
  VantoryError,
  displayFlag,
} from "../src/index.js";
import { sourceDir, startService } from "./service.js";

const sample = async (name) =>
  JSON.parse(await readFile(path.join(sourceDir, "examples", `${name}.json`), "utf8")).arguments;

describe("VantoryClient against vantory-service", () => {
  let service;
  let client;
  before(async () => {
    service = await startService();
    client = new VantoryClient({ baseUrl: service.url });
  });
  after(() => service.stop());

  test("status and printers", async () => {
    const status = await client.status();
    assert.equal(status.port, service.port);
    assert.equal(status.cups, false);
    const { printers } = await client.printers();
    assert.equal(printers[0].state, "idle");
  });

  test("prints a HOSPITAL and a GENERIC label and serves their images", async () => {
    const hospital = await client.PrintLabels(await sample("hospital"));
    assert.equal(hospital.result, true);
    assert.equal(hospital.labels.length, 1);
    const image = await fetch(client.labelUrl(hospital.labels[0].png));
    assert.equal(image.headers.get("content-type"), "image/png");
    const description = await (await fetch(client.labelUrl(hospital.labels[0].json))).json();
    assert.match(JSON.stringify(description), /ROWE, SAM, K\./);

    const generic = await client.PrintGENERICLabels(await sample("generic"));
    assert.equal(generic.result, true);
    assert.notEqual(generic.labels[0].id, hospital.labels[0].id);
  });

  test("a False from the control is a result with diagnostics, not an exception", async () => {
    const answer = await client.PrintLabels({ ...(await sample("hospital")), ClientType: "physician", DisplayDebugger: "false" });
    assert.equal(answer.result, false);
    assert.deepEqual(answer.labels, []);
    assert.ok(answer.diagnostics.length > 0);
  });

  test("a malformed request is a BadRequestError naming the member", async () => {
    await assert.rejects(client.PrintLabels({ PatientNmae: "X" }), (error) => {
      assert.ok(error instanceof BadRequestError);
      assert.equal(error.status, 400);
      assert.match(error.message, /PatientNmae/);
      return true;
    });
    await assert.rejects(client.PrintGENERICLabels({ Line1: [1, 2] }), /Line1/);
  });

  test("preview gives the PNG and prints nothing", async () => {
    const before = await service.recorded();
    const blob = await client.preview("PrintGENERICLabels", await sample("generic"));
    assert.equal(blob.type, "image/png");
    const bytes = new Uint8Array(await blob.arrayBuffer());
    assert.deepEqual([...bytes.slice(1, 4)], [0x50, 0x4e, 0x47]);
    assert.deepEqual(await service.recorded(), before);
    await assert.rejects(client.preview("PrintLabels", { ClientType: "NURSE" }), (error) => error.code === "NOT_PRINTABLE");
  });

  test("the same idempotency key prints once", async () => {
    const before = (await service.recorded()).length;
    const params = await sample("physician");
    const first = await client.PrintLabels(params, { idempotencyKey: "order-4711" });
    const second = await client.PrintLabels(params, { idempotencyKey: "order-4711" });
    assert.deepEqual(second, first);
    assert.equal((await service.recorded()).length, before + 1);
  });

  test("DisplayProperties without a page closes the dialogs as if Ok were pressed", async () => {
    const answer = await client.PrintLabels({ ...(await sample("hospital")), DisplayProperties: "True" });
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

  test("the typed parameters of index.d.ts are the methods' parameters the service publishes", async () => {
    const declarations = await readFile(path.join(sourceDir, "clients", "js", "src", "index.d.ts"), "utf8");
    const openapi = await (await fetch(`${service.url}/v1/openapi.json`)).json();
    for (const method of ["PrintLabels", "PrintGENERICLabels"]) {
      const body = declarations.match(new RegExp(`interface ${method}Parameters \\{([^}]*)\\}`));
      assert.ok(body, `${method}Parameters is declared`);
      const declared = [...body[1].matchAll(/(\w+)\?: Argument/g)].map((member) => member[1]);
      const published = Object.keys(openapi.components.schemas[`${method}Parameters`].properties);
      assert.deepEqual([...declared].sort(), [...published].sort(), method);
    }
  });

  test("a body over the limit is refused with the error form", async () => {
    await assert.rejects(client.PrintGENERICLabels({ Line1: "x".repeat(5 << 20) }), (error) => {
      assert.ok(error instanceof VantoryError);
      assert.equal(error.code, "TOO_LARGE");
      return true;
    });
  });
});

test("a service that is not running is a ServiceNotRunningError saying how to start it", async () => {
  const service = await startService();
  const url = service.url;
  await service.stop();
  await assert.rejects(new VantoryClient({ baseUrl: url }).status(), (error) => {
    assert.ok(error instanceof ServiceNotRunningError);
    assert.match(error.message, /systemctl --user start vantory-service/);
    return true;
  });
});

test("displayFlag reads true in any letter case and nothing else", () => {
  for (const value of ["true", "TRUE", "tRuE", true, { type: "Bool", value: true }]) assert.equal(displayFlag(value), true, String(value));
  for (const value of ["yes", "1", -1, null, undefined, "", " true", false]) assert.equal(displayFlag(value), false, String(value));
});
