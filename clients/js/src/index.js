// The Vantory label control's two print calls for today's browsers, through the print
// service on this computer's loopback address.

import { LocalNetworkPermissionError, ServiceNotRunningError, errorFrom } from "./errors.js";
import { showSettingsDialogs } from "./settings-dialogs.js";

export {
  BadRequestError,
  LocalNetworkPermissionError,
  OriginNotAllowedError,
  PrinterUnavailableError,
  ServiceNotRunningError,
  VantoryError,
} from "./errors.js";

/** The service's documented default port. */
export const DEFAULT_PORT = 41951;

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

export class VantoryClient {
  #baseUrl;
  #fetch;
  #document;
  #forms = null;

  /**
   * @param {{baseUrl?: string, fetch?: typeof fetch, document?: Document | null}} [options]
   *   baseUrl: the service (default http://127.0.0.1:41951); document: where the settings
   *   dialogs are shown (default the page's; without one they are not shown).
   */
  constructor({ baseUrl = `http://127.0.0.1:${DEFAULT_PORT}`, fetch = globalThis.fetch, document = globalThis.document } = {}) {
    this.#baseUrl = baseUrl.replace(/\/+$/, "");
    this.#fetch = fetch.bind(globalThis);
    this.#document = document ?? null;
  }

  /** @returns {Promise<import("./index").Status>} */
  async status() {
    return (await this.#call("GET", "/v1/status")).json();
  }

  /** @returns {Promise<import("./index").Printers>} */
  async printers() {
    return (await this.#call("GET", "/v1/printers")).json();
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
   * @returns {Promise<Blob>}
   */
  async preview(method, params) {
    const response = await this.#call("POST", "/v1/preview", { method, parameters: params });
    return response.blob();
  }

  /** The URL of a recorded label's file (from a PrintResult's labels). */
  labelUrl(path) {
    return this.#baseUrl + path;
  }

  async #print(method, params, { idempotencyKey } = {}) {
    let parameters = { ...params };
    const displayProperties = Object.keys(parameters).find((name) => name.toLowerCase() === "displayproperties");
    if (this.#document && displayProperties && displayFlag(parameters[displayProperties])) {
      const edited = await showSettingsDialogs(this.#document, await this.#settingsForms(), method, parameters);
      if (edited.refusal) return { result: false, labels: [], job: null, diagnostics: [edited.refusal] };
      // The dialogs were shown here; the service must not show them again.
      parameters = { ...edited.parameters, [displayProperties]: "false" };
    }
    const headers = idempotencyKey ? { "Idempotency-Key": idempotencyKey } : {};
    return (await this.#call("POST", `/v1/${method}`, parameters, headers)).json();
  }

  async #settingsForms() {
    this.#forms ??= (await this.#call("GET", "/v1/settings-forms")).json();
    return this.#forms;
  }

  async #call(method, path, body, headers = {}) {
    /** @type {RequestInit & {targetAddressSpace?: string}} */
    const init = {
      method,
      mode: "cors",
      cache: "no-store",
      // Chrome's local network access: a permitted https page may reach loopback over http.
      targetAddressSpace: "loopback",
      headers: { ...headers },
    };
    if (body !== undefined) {
      init.body = JSON.stringify(body);
      init.headers["Content-Type"] = "application/json";
    }
    let response;
    try {
      response = await this.#fetch(this.#baseUrl + path, init);
    } catch (cause) {
      throw (await localNetworkDenied()) ? new LocalNetworkPermissionError(cause) : new ServiceNotRunningError(this.#baseUrl, cause);
    }
    if (!response.ok) throw await errorFrom(response);
    return response;
  }
}

// Whether the browser's local network permission for this page is denied.
async function localNetworkDenied() {
  const permissions = globalThis.navigator?.permissions;
  if (!permissions) return false;
  for (const name of ["loopback-network", "local-network-access", "local-network"]) {
    try {
      if ((await permissions.query({ name })).state === "denied") return true;
    } catch {
      // this browser does not know the permission by that name
    }
  }
  return false;
}
