// Errors of the Vantory client, each saying what the user (or the lab's IT) can do.

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

/** Nothing answers on the service's address: it is not installed or not started. */
export class ServiceNotRunningError extends VantoryError {
  constructor(baseUrl, cause) {
    super(
      `The label print service is not running on this computer (nothing answers at ${baseUrl}). ` +
        "Start it (systemctl --user start vantory-service), or ask your IT department to install it.",
      { code: "SERVICE_NOT_RUNNING", cause },
    );
  }
}

/** The browser refused this page access to the local network (Chrome's local network access). */
export class LocalNetworkPermissionError extends VantoryError {
  constructor(cause) {
    super(
      "This browser does not let the page reach the label printer service on this computer. " +
        "Allow \"local network\" access for this site in the browser's site settings (the icon left of the address), " +
        "or ask your IT department to allow it by policy (LocalNetworkAccessAllowedForUrls).",
      { code: "LOCAL_NETWORK_DENIED", cause },
    );
  }
}

/** The service runs but does not serve pages of this origin. */
export class OriginNotAllowedError extends VantoryError {}

/** The service refused the request as malformed; the message names the member. */
export class BadRequestError extends VantoryError {}

/** The printer is stopped, not accepting jobs, or CUPS is down; nothing was queued. */
export class PrinterUnavailableError extends VantoryError {}

const kinds = {
  ORIGIN_NOT_ALLOWED: OriginNotAllowedError,
  BAD_REQUEST: BadRequestError,
  PRINTER_UNAVAILABLE: PrinterUnavailableError,
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
  return new Kind(message ?? `The print service answered ${response.status} ${response.statusText}`, {
    code,
    status: response.status,
    details,
  });
}
