// Types of the Vantory print client.

/** One argument as the control takes it: a string, number, Boolean, null (Null), or a typed value. */
export type Argument =
  | string
  | number
  | boolean
  | null
  | { type: "Empty" | "Null" | "Missing" | "I2" | "I4" | "R4" | "R8" | "Bool" | "String" | "Currency" | "Date"; value?: unknown };

export interface PrintLabelsParameters {
  ClientType?: Argument; ClientNumber?: Argument; PrinterName?: Argument; LabelCopies?: Argument;
  Barcode?: Argument; AccessionNumber?: Argument; RequisitionNumber?: Argument; SampleID?: Argument;
  PatientID?: Argument; PatientName?: Argument; PatientDOB?: Argument; PatientGender?: Argument;
  TestNumber?: Argument; TestName?: Argument; PhysicianName?: Argument; CurrentDate?: Argument;
  CurrentTime?: Argument; Temperature?: Argument; SpecimenRequirements?: Argument;
  DisplayProperties?: Argument; DisplayDebugger?: Argument;
}

export interface PrintGENERICLabelsParameters {
  PrinterName?: Argument; LabelCopies?: Argument;
  Line1?: Argument; Line2?: Argument; Line3?: Argument; Line4?: Argument; Line5?: Argument;
  DisplayProperties?: Argument; DisplayDebugger?: Argument;
}

export interface Diagnostic { title: string; text: string; icon: "none" | "critical" | "information" }

export interface PrintedLabel {
  id: string;
  png: string | null;
  json: string;
  /** The CUPS queue it went to; null when it was recorded only. */
  destination: string | null;
}

export interface PrintResult {
  /** What the control returns: true only when nothing failed. */
  result: boolean;
  /** True when the service records labels only: nothing was printed. */
  recordOnly: boolean;
  labels: PrintedLabel[];
  /** The CUPS job, null when the service records labels only. */
  job: number | null;
  diagnostics: Diagnostic[];
  /** True when the service answered from an earlier call with the same key: nothing was printed again. */
  replayed: boolean;
  /** The Idempotency-Key the call was sent with; null when nothing was sent. */
  idempotencyKey: string | null;
}

export interface CallOptions {
  /** How long to wait for the answer (default the client's, 30 000 ms); then ServiceTimeoutError. */
  timeoutMs?: number;
  /** Aborts the call; it then rejects with the signal's reason. */
  signal?: AbortSignal;
}

export interface PrintOptions extends CallOptions {
  /**
   * The same key for the same order: a repeated call with the same parameters prints nothing
   * again and returns the first answer. The client sends a fresh key instead when this key was
   * used with other parameters. Without one the client keeps a key per parameters for retries
   * of a call that got no answer.
   */
  idempotencyKey?: string;
}

export interface ClientOptions {
  /** The service; when given, no other address is tried. */
  baseUrl?: string;
  /** Where to look for the service without a baseUrl (default DEFAULT_PORTS), in order. */
  ports?: readonly number[];
  /** A local program's access token (the service's token file); pages send their origin instead. */
  token?: string;
  /** How long each call waits for its answer unless told otherwise (default 30 000 ms). */
  timeoutMs?: number;
  fetch?: typeof fetch;
  /** Where the settings dialogs are shown (default the page's; without one they are not shown). */
  document?: Document | null;
}

export interface Status {
  service: string; version: string; controlVersion: number; port: number;
  cups: boolean; printing: "record-only" | "cups" | "windows"; recordOnly: boolean; allowedOrigins: number;
}

export interface Printer {
  name: string; description: string; makeAndModel: string;
  state: "idle" | "processing" | "stopped"; reasons: string[]; acceptingJobs: boolean; defaultMedia: string;
  /** Whether it is the system's default printer. */
  default: boolean;
}

export interface Printers { mode: "record-only" | "cups" | "windows"; printers: Printer[] }

export interface PrinterReadiness {
  printer: string;
  ready: boolean;
  /** Why a label naming the printer would not print now. */
  refusal: string | null;
  /** Where it would go; null when no printer is named so. */
  destination: Printer | null;
}

export const DEFAULT_PORTS: readonly number[];
export const DEFAULT_PORT: number;
export const DEFAULT_TIMEOUT_MS: number;
export function displayFlag(value: unknown): boolean;
export function platformOf(): "windows" | "linux" | "mac" | "other";

export class VantoryClient {
  constructor(options?: ClientOptions);
  serviceUrl(options?: CallOptions): Promise<string>;
  localNetworkPermission(): Promise<"granted" | "prompt" | "denied" | "unsupported">;
  status(options?: CallOptions): Promise<Status>;
  printers(options?: CallOptions): Promise<Printers>;
  printer(name: string, options?: CallOptions): Promise<PrinterReadiness>;
  PrintLabels(params: PrintLabelsParameters, options?: PrintOptions): Promise<PrintResult>;
  PrintGENERICLabels(params: PrintGENERICLabelsParameters, options?: PrintOptions): Promise<PrintResult>;
  preview(method: "PrintLabels" | "PrintGENERICLabels", params: PrintLabelsParameters | PrintGENERICLabelsParameters,
          options?: CallOptions): Promise<Blob>;
  labelFile(path: string, options?: CallOptions): Promise<Blob>;
}

export class VantoryError extends Error {
  code: string; status: number; details: unknown;
}
export class ServiceNotRunningError extends VantoryError { platform: "windows" | "linux" | "mac" | "other" }
export class LocalNetworkPermissionError extends VantoryError { state: "prompt" | "denied" }
export class ServiceTimeoutError extends VantoryError {}
export class OriginNotAllowedError extends VantoryError {}
export class AccessTokenRequiredError extends VantoryError {}
export class BadRequestError extends VantoryError {}
export class PrinterUnavailableError extends VantoryError {}
export class ServiceBusyError extends VantoryError { retryAfter: number }
