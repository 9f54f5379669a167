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

export interface PrintResult {
  /** What the control returns: true only when nothing failed. */
  result: boolean;
  labels: { id: string; png: string | null; json: string }[];
  /** The CUPS job, null when the service records images only. */
  job: number | null;
  diagnostics: Diagnostic[];
}

export interface PrintOptions {
  /** The same key for the same order: a repeated call prints nothing again and returns the first answer. */
  idempotencyKey?: string;
}

export interface Status {
  service: string; version: string; controlVersion: number; port: number;
  cups: boolean; printing: "image" | "cups"; allowedOrigins: number;
}

export interface Printer {
  name: string; description: string; makeAndModel: string;
  state: "idle" | "processing" | "stopped"; reasons: string[]; acceptingJobs: boolean; defaultMedia: string;
}

export interface Printers { mode: "image" | "cups"; printers: Printer[] }

export const DEFAULT_PORT: number;
export function displayFlag(value: unknown): boolean;

export class VantoryClient {
  constructor(options?: { baseUrl?: string; fetch?: typeof fetch; document?: Document | null });
  status(): Promise<Status>;
  printers(): Promise<Printers>;
  PrintLabels(params: PrintLabelsParameters, options?: PrintOptions): Promise<PrintResult>;
  PrintGENERICLabels(params: PrintGENERICLabelsParameters, options?: PrintOptions): Promise<PrintResult>;
  preview(method: "PrintLabels" | "PrintGENERICLabels", params: PrintLabelsParameters | PrintGENERICLabelsParameters): Promise<Blob>;
  labelUrl(path: string): string;
}

export class VantoryError extends Error {
  code: string; status: number; details: unknown;
}
export class ServiceNotRunningError extends VantoryError {}
export class LocalNetworkPermissionError extends VantoryError {}
export class OriginNotAllowedError extends VantoryError {}
export class BadRequestError extends VantoryError {}
export class PrinterUnavailableError extends VantoryError {}
