// Errors of the Vantory client, each saying what the user (or the lab's IT) can do next.

/** Any failure of a call to the print service. */
export class VantoryError extends Error {
  /**
   * @param {string} message
   * @param {{code?: string, status?: number, details?: unknown, cause?: unknown}} [info]
   */
  constructor(message, { code = "VANTORY_ERROR", status = 0, details, cause } = {}) {
    super(message, { cause });
    this.name = new.target.name;
    /** The service's error code (BAD_REQUEST, ORIGIN_NOT_ALLOWED, ...) or the client's own. */
    this.code = code;
    /** The HTTP status, 0 when no answer came. */
    this.status = status;
    /** Whatever else the service sent with the error (diagnostics of a preview). */
    this.details = details;
  }
}

/** "windows", "linux", "mac" or "other": where this page or program runs. */
export function platformOf() {
  const navigator = /** @type {any} */ (globalThis.navigator);
  const name = String(
    navigator?.userAgentData?.platform ?? navigator?.platform ?? globalThis.process?.platform ?? "",
  ).toLowerCase();
  if (name.startsWith("win")) return "windows";
  if (name.includes("linux")) return "linux";
  if (name.startsWith("mac") || name === "darwin") return "mac";
  return "other";
}

const startService = {
  linux:
    "Start it: log out and in again, or run \"systemctl --user start vantory-service\" in a terminal. " +
    "If it is not installed, ask your IT department to install the vantory-service package.",
  windows:
    "Start it: sign out of Windows and in again, or start \"Vantory print service\" from the Start menu. " +
    "If it is not installed, ask your IT department to install it.",
  mac: "The label print service runs on Windows and Linux only: print from a lab PC, or ask your IT department.",
  other: "Ask your IT department to install or start the Vantory label print service on this computer.",
};

/** Nothing answers where the service should be: it is not installed or not started. */
export class ServiceNotRunningError extends VantoryError {
  /**
   * @param {string} where the address or ports tried
   * @param {unknown} [cause]
   * @param {string} [platform] platformOf() unless given
   */
  constructor(where, cause, platform = platformOf()) {
    super(
      `The label print service is not running on this computer (nothing answers at ${where}). ` +
        (startService[platform] ?? startService.other),
      { code: "SERVICE_NOT_RUNNING", cause },
    );
    this.platform = platform;
  }
}

/** The browser keeps this page from reaching this computer (Chrome's local network access). */
export class LocalNetworkPermissionError extends VantoryError {
  /**
   * @param {"prompt" | "denied"} state the permission's state: not (yet) answered, or refused
   * @param {unknown} [cause]
   */
  constructor(state, cause) {
    super(
      state === "prompt"
        ? "The browser asks whether this page may reach devices on this computer, such as the label printer " +
            "service: choose \"Allow\" in the prompt next to the address bar, then try again."
        : "This browser does not let the page reach the label print service on this computer. " +
            "Allow \"Local network access\" for this site in the site settings (the icon left of the address), " +
            "then reload the page; or ask your IT department to allow it by policy (LocalNetworkAccessAllowedForUrls).",
      { code: state === "prompt" ? "LOCAL_NETWORK_PROMPT" : "LOCAL_NETWORK_DENIED", cause },
    );
    /** "prompt" or "denied". */
    this.state = state;
  }
}

/** The service did not answer in time; a print may still have been made. */
export class ServiceTimeoutError extends VantoryError {
  /**
   * @param {number} timeoutMs
   * @param {boolean} printing whether the call was a print
   * @param {unknown} [cause]
   */
  constructor(timeoutMs, printing, cause) {
    super(
      `The label print service did not answer within ${timeoutMs / 1000} s. ` +
        (printing
          ? "The label may still print: look at the printer before printing again (printing the same order " +
            "again with the same parameters does not print it twice)."
          : "Try again; if it keeps happening, restart the service or the computer."),
      { code: "TIMEOUT", cause },
    );
  }
}

/** The service runs but does not serve pages of this origin. */
export class OriginNotAllowedError extends VantoryError {}

/** A local program did not present the service's access token. */
export class AccessTokenRequiredError extends VantoryError {}

/** The service refused the request as malformed; the message names the member. */
export class BadRequestError extends VantoryError {}

/** The printer is stopped, not accepting jobs, or CUPS is down; nothing was queued. */
export class PrinterUnavailableError extends VantoryError {}

/** The service has as many labels in hand as it takes; `retryAfter` says when to try again. */
export class ServiceBusyError extends VantoryError {
  /** Seconds to wait before trying again. */
  retryAfter = 1;
}

const kinds = {
  ORIGIN_NOT_ALLOWED: OriginNotAllowedError,
  ACCESS_TOKEN_REQUIRED: AccessTokenRequiredError,
  BAD_REQUEST: BadRequestError,
  PRINTER_UNAVAILABLE: PrinterUnavailableError,
  BUSY: ServiceBusyError,
};

/**
 * The error for a service answer that is not 2xx.
 * @param {Response} response
 * @returns {Promise<VantoryError>}
 */
export async function errorFrom(response) {
  let error = {};
  try {
    error = (await response.json()).error ?? {};
  } catch {
    // not the service's error form
  }
  const code = error.code ?? `HTTP_${response.status}`;
  const Kind = kinds[code] ?? VantoryError;
  const { code: _code, message, ...details } = error;
  const failure = new Kind(message ?? `The print service answered ${response.status} ${response.statusText}`, {
    code,
    status: response.status,
    details,
  });
  if (failure instanceof ServiceBusyError) failure.retryAfter = Number(response.headers.get("Retry-After") ?? 1) || 1;
  return failure;
}
