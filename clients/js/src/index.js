// The Vantory label control's two print calls for today's browsers and local programs,
// through the print service on this computer's loopback address.

import {
  LocalNetworkPermissionError,
  ServiceNotRunningError,
  ServiceTimeoutError,
  errorFrom,
} from "./errors.js";
import { showSettingsDialogs } from "./settings-dialogs.js";

export {
  AccessTokenRequiredError,
  BadRequestError,
  LocalNetworkPermissionError,
  OriginNotAllowedError,
  PrinterUnavailableError,
  ServiceBusyError,
  ServiceNotRunningError,
  ServiceTimeoutError,
  VantoryError,
  platformOf,
} from "./errors.js";

/** The service's documented ports, in the order the client looks for it on them. */
export const DEFAULT_PORTS = Object.freeze([41951, 41952, 41953, 41954, 41955]);
/** The first of them, where the service is unless another program had taken it. */
export const DEFAULT_PORT = DEFAULT_PORTS[0];
/** How long a call waits for its answer unless told otherwise. */
export const DEFAULT_TIMEOUT_MS = 30000;

/**
 * The display flag test of the control: the value's text form, lower-cased, is "true".
 * @param {unknown} value
 */
export function displayFlag(value) {
  if (typeof value === "boolean") return value;
  if (typeof value === "string") return value.toLowerCase() === "true";
  if (value && typeof value === "object" && "value" in value) return displayFlag(/** @type {any} */ (value).value);
  return false;
}

// A new idempotency key: 128 random bits (crypto.getRandomValues works on http pages too).
function newKey() {
  const bytes = new Uint8Array(16);
  globalThis.crypto.getRandomValues(bytes);
  return [...bytes].map((byte) => byte.toString(16).padStart(2, "0")).join("");
}

// At most this many keys are remembered with the request they were sent for.
const KEPT_KEYS = 256;

export class VantoryClient {
  #baseUrl;  // the explicit URL, or the one discovery found
  #explicit;
  #ports;
  #token;
  #timeoutMs;
  #fetch;
  #document;
  #forms = null;
  /** @type {Map<string, string>} key -> the request it was sent with */
  #keys = new Map();
  /** @type {Map<string, string>} request -> the key of its call that got no answer */
  #unanswered = new Map();

  /**
   * @param {import("./index").ClientOptions} [options]
   */
  constructor({
    baseUrl,
    ports = DEFAULT_PORTS,
    token,
    timeoutMs = DEFAULT_TIMEOUT_MS,
    fetch = globalThis.fetch,
    document = globalThis.document,
  } = {}) {
    this.#explicit = baseUrl !== undefined && baseUrl !== null && baseUrl !== "";
    this.#baseUrl = this.#explicit ? String(baseUrl).replace(/\/+$/, "") : null;
    this.#ports = [...ports];
    this.#token = token ?? null;
    this.#timeoutMs = timeoutMs;
    this.#fetch = fetch.bind(globalThis);
    this.#document = document ?? null;
  }

  /**
   * The service's address: the explicit one, else the first of the documented ports where a
   * vantory-service answers.
   * @param {import("./index").CallOptions} [options]
   * @returns {Promise<string>}
   */
  async serviceUrl(options = {}) {
    if (this.#baseUrl) return this.#baseUrl;
    const deadline = this.#deadline(options);
    let firstFailure;
    for (const port of this.#ports) {
      const url = `http://127.0.0.1:${port}`;
      try {
        const response = await this.#send(url + "/v1/status", { method: "GET" }, deadline, options.signal);
        const status = response.ok ? await response.json() : null;
        if (status?.service === "vantory-service") {
          this.#baseUrl = url;
          return url;
        }
      } catch (failure) {
        if (failure instanceof LocalNetworkPermissionError || options.signal?.aborted) throw failure;
        if (failure instanceof ServiceTimeoutError) throw failure;
        firstFailure ??= failure;
      }
    }
    throw new ServiceNotRunningError(this.#where(), firstFailure);
  }

  /**
   * The state of the browser's permission for this page to reach this computer: "granted",
   * "prompt" (the browser will ask), "denied", or "unsupported" (no such permission here).
   * @returns {Promise<"granted" | "prompt" | "denied" | "unsupported">}
   */
  async localNetworkPermission() {
    const permissions = globalThis.navigator?.permissions;
    if (!permissions) return "unsupported";
    for (const name of ["loopback-network", "local-network-access", "local-network"]) {
      try {
        return /** @type {any} */ ((await permissions.query(/** @type {any} */ ({ name }))).state);
      } catch {
        // this browser does not know the permission by that name
      }
    }
    return "unsupported";
  }

  /**
   * @param {import("./index").CallOptions} [options]
   * @returns {Promise<import("./index").Status>}
   */
  async status(options) {
    return (await this.#call("GET", "/v1/status", undefined, options)).json();
  }

  /**
   * @param {import("./index").CallOptions} [options]
   * @returns {Promise<import("./index").Printers>}
   */
  async printers(options) {
    return (await this.#call("GET", "/v1/printers", undefined, options)).json();
  }

  /**
   * Whether a label naming this printer would print now, and why not.
   * @param {string} name the label's PrinterName
   * @param {import("./index").CallOptions} [options]
   * @returns {Promise<import("./index").PrinterReadiness>}
   */
  async printer(name, options) {
    return (await this.#call("GET", `/v1/printers/${encodeURIComponent(name)}`, undefined, options)).json();
  }

  /**
   * @param {import("./index").PrintLabelsParameters} params
   * @param {import("./index").PrintOptions} [options]
   * @returns {Promise<import("./index").PrintResult>}
   */
  PrintLabels(params, options) {
    return this.#print("PrintLabels", params, options);
  }

  /**
   * @param {import("./index").PrintGENERICLabelsParameters} params
   * @param {import("./index").PrintOptions} [options]
   * @returns {Promise<import("./index").PrintResult>}
   */
  PrintGENERICLabels(params, options) {
    return this.#print("PrintGENERICLabels", params, options);
  }

  /**
   * The label the parameters would print, as a PNG; prints nothing.
   * @param {"PrintLabels" | "PrintGENERICLabels"} method
   * @param {Record<string, unknown>} params
   * @param {import("./index").CallOptions} [options]
   * @returns {Promise<Blob>}
   */
  async preview(method, params, options) {
    const response = await this.#call("POST", "/v1/preview", { method, parameters: params }, options);
    return response.blob();
  }

  /**
   * A recorded label's file (a PrintResult label's png or json), fetched as this page or program may.
   * @param {string} path
   * @param {import("./index").CallOptions} [options]
   * @returns {Promise<Blob>}
   */
  async labelFile(path, options) {
    return (await this.#call("GET", path, undefined, options)).blob();
  }

  async #print(method, params, { idempotencyKey, ...options } = {}) {
    let parameters = { ...params };
    const displayProperties = Object.keys(parameters).find((name) => name.toLowerCase() === "displayproperties");
    if (this.#document && displayProperties && displayFlag(parameters[displayProperties])) {
      const forms = await this.#settingsForms(options);
      const edited = await showSettingsDialogs(this.#document, forms, method, parameters);
      if (edited.refusal)
        return { result: false, recordOnly: false, labels: [], job: null, diagnostics: [edited.refusal], replayed: false, idempotencyKey: null };
      // The dialogs were shown here; the service must not show them again.
      parameters = { ...edited.parameters, [displayProperties]: "false" };
    }
    // A retry of a call that got no answer keeps its key (it prints at most once); a request
    // whose parameters changed, or a call after an answer, gets a fresh one.
    const request = `${method}\n${JSON.stringify(parameters)}`;
    let key = idempotencyKey ?? this.#unanswered.get(request) ?? newKey();
    if (this.#keys.has(key) && this.#keys.get(key) !== request) key = newKey();
    this.#keys.delete(key);
    this.#keys.set(key, request);
    if (this.#keys.size > KEPT_KEYS) this.#keys.delete(this.#keys.keys().next().value);
    try {
      const response = await this.#call("POST", `/v1/${method}`, parameters, options, { "Idempotency-Key": key }, true);
      this.#unanswered.delete(request);
      const answer = await response.json();
      return { ...answer, replayed: response.headers.get("Idempotent-Replayed") === "true", idempotencyKey: key };
    } catch (failure) {
      if (failure?.status === 0 || failure?.status === undefined) {
        this.#unanswered.set(request, key);
        if (this.#unanswered.size > KEPT_KEYS) this.#unanswered.delete(this.#unanswered.keys().next().value);
      }
      throw failure;
    }
  }

  async #settingsForms(options) {
    this.#forms ??= (await this.#call("GET", "/v1/settings-forms", undefined, options)).json();
    return this.#forms;
  }

  #where() {
    if (this.#explicit) return this.#baseUrl;
    const [first, last] = [this.#ports[0], this.#ports.at(-1)];
    return first === last ? `http://127.0.0.1:${first}` : `http://127.0.0.1, ports ${first} to ${last}`;
  }

  #deadline({ timeoutMs } = {}) {
    return Date.now() + (timeoutMs ?? this.#timeoutMs);
  }

  // One request to the service, found first when no URL was given; a service that went away
  // is looked for again once.
  async #call(method, path, body, options = {}, headers = {}, printing = false) {
    const deadline = this.#deadline(options);
    for (let attempt = 0; ; ++attempt) {
      const baseUrl = await this.serviceUrl({ ...options, timeoutMs: Math.max(1, deadline - Date.now()) });
      /** @type {RequestInit & {targetAddressSpace?: string}} */
      const init = { method, headers: { ...headers } };
      if (body !== undefined) {
        init.body = JSON.stringify(body);
        init.headers["Content-Type"] = "application/json";
      }
      try {
        const response = await this.#send(baseUrl + path, init, deadline, options.signal, printing, options.timeoutMs);
        if (!response.ok) throw await errorFrom(response);
        return response;
      } catch (failure) {
        if (!(failure instanceof ServiceNotRunningError) || this.#explicit || attempt > 0) throw failure;
        this.#baseUrl = null;  // it went away: look again
      }
    }
  }

  // fetch with the deadline, the caller's signal, the token and the browser's local network
  // access; failures as the client's errors.
  async #send(url, init, deadline, signal, printing = false, timeoutMs = this.#timeoutMs) {
    const timeout = AbortSignal.timeout(Math.max(1, deadline - Date.now()));
    const headers = { ...init.headers };
    if (this.#token) headers.Authorization = `Bearer ${this.#token}`;
    try {
      return await this.#fetch(url, {
        ...init,
        headers,
        mode: "cors",
        cache: "no-store",
        // Chrome's local network access: a permitted https page may reach loopback over http.
        targetAddressSpace: "loopback",
        signal: signal ? AbortSignal.any([signal, timeout]) : timeout,
      });
    } catch (cause) {
      if (signal?.aborted) throw signal.reason;
      if (timeout.aborted) throw new ServiceTimeoutError(timeoutMs, printing, cause);
      const permission = await this.localNetworkPermission();
      if (permission === "denied" || permission === "prompt") throw new LocalNetworkPermissionError(permission, cause);
      throw new ServiceNotRunningError(this.#explicit ? this.#baseUrl : url.replace(/\/v1\/.*$/, ""), cause);
    }
  }
}
