// The control's two settings dialogs as HTML <dialog>s, built from the service's design of
// them (/v1/settings-forms): the same caption, labels, boxes, places, tab order and defaults.
// "&Ok" stores the boxes as strings; "Restore &Defaults" stores the defaults at once; the
// close box (or Escape) closes without storing anything more.

const TWIPS_PER_PIXEL = 15;

/** The text a box shows for a value; a value without a text form shows nothing. */
function textOf(value) {
  if (value === undefined || value === null) return "";
  if (typeof value === "boolean") return value ? "True" : "False";
  if (typeof value === "object") {
    const type = String(value.type ?? "").toLowerCase();
    if (type === "empty" || type === "null" || type === "missing") return "";
    return textOf(value.value);
  }
  return String(value);
}

/** The caption with its access key underlined ("&Ok"), and the key. */
function accessKeyCaption(document, caption) {
  const span = document.createElement("span");
  const at = caption.indexOf("&");
  if (at < 0 || at + 1 >= caption.length) {
    span.textContent = caption;
    return { span, key: "" };
  }
  const underlined = document.createElement("u");
  underlined.textContent = caption[at + 1];
  span.append(caption.slice(0, at), underlined, caption.slice(at + 2));
  return { span, key: caption[at + 1].toLowerCase() };
}

const px = (twips) => `${twips / TWIPS_PER_PIXEL}px`;

function style(document) {
  if (document.getElementById("vantory-settings-style")) return;
  const sheet = document.createElement("style");
  sheet.id = "vantory-settings-style";
  sheet.textContent = `
dialog.vantory-settings { padding: 0; border: 1px solid #555; background: #ece9d8; font: 11px Tahoma, Arial, sans-serif; }
dialog.vantory-settings::backdrop { background: rgb(0 0 0 / 0.15); }
dialog.vantory-settings .caption { display: flex; align-items: center; justify-content: space-between;
  background: #0a246a; color: #fff; font-weight: bold; padding: 3px 4px; }
dialog.vantory-settings .caption button { font: bold 11px sans-serif; width: 18px; height: 16px; padding: 0; }
dialog.vantory-settings .client { position: relative; }
dialog.vantory-settings .client > * { position: absolute; box-sizing: border-box; margin: 0; font: inherit; }
dialog.vantory-settings label { text-align: right; padding-top: 2px; }
dialog.vantory-settings [hidden] { display: none; }`;
  document.head.append(sheet);
}

/**
 * Shows one dialog modally; resolves once it has closed.
 * @param {Document} document
 * @param {any} design one form of the service's settings-forms document
 * @param {string} caption
 * @param {Record<string, unknown>} state the request values by parameter name, edited in place
 * @param {string} genericClientType
 */
function showForm(document, design, caption, state, genericClientType) {
  style(document);
  const dialog = document.createElement("dialog");
  dialog.className = "vantory-settings";
  dialog.dataset.form = design.name;
  dialog.setAttribute("aria-label", caption);

  const bar = document.createElement("div");
  bar.className = "caption";
  const title = document.createElement("span");
  title.textContent = caption;
  const closeBox = document.createElement("button");
  closeBox.type = "button";
  closeBox.className = "close";
  closeBox.name = "close";
  closeBox.tabIndex = -1;
  closeBox.setAttribute("aria-label", "Close");
  closeBox.textContent = "\u00d7";
  bar.append(title, closeBox);

  const client = document.createElement("div");
  client.className = "client";
  client.style.width = px(design.clientWidth);
  client.style.height = px(design.clientHeight);

  /** @type {Map<string, HTMLElement>} */
  const controls = new Map();
  for (const control of design.controls) {
    let element;
    if (control.kind === "textbox") {
      element = document.createElement("input");
      element.type = "text";
      element.id = `vantory-${design.name}-${control.name}`;
      element.name = control.name;
      element.autocomplete = "off";
    } else if (control.kind === "button") {
      element = document.createElement("button");
      element.type = "button";
      element.name = control.name;
      const { span, key } = accessKeyCaption(document, control.caption);
      element.append(span);
      if (key) element.accessKey = key;
    } else {
      element = document.createElement("label");
      element.textContent = control.caption;
    }
    element.dataset.control = control.name;
    if (control.kind !== "label") element.tabIndex = control.tabIndex + 1;  // the design's order, "&Ok" first
    element.hidden = !control.visible;
    Object.assign(element.style, {
      left: px(control.left),
      top: px(control.top),
      width: px(control.width),
      height: px(control.height),
    });
    controls.set(control.name, element);
    client.append(element);
  }
  // A label names the box on its row.
  const labelled = new Set();
  for (const [name, element] of controls) {
    if (!name.startsWith("lbl")) continue;
    const box = [...controls.values()].find(
      (other) => other.tagName === "INPUT" && other.style.top === element.style.top,
    );
    if (box) {
      element.htmlFor = box.id;
      labelled.add(box);
    }
  }
  // Every box has an accessible name: the generic lines share one label ("Generic Input:") and
  // are named by it and their number; any other box without a label by its parameter.
  const lines = new Map((design.genericLines?.boxes ?? []).map((line) => [line.box, line.parameter]));
  const linesCaption = (design.genericLines?.show ?? [])
    .map((name) => controls.get(name)?.textContent ?? "")
    .find(Boolean)
    ?.replace(/:\s*$/, "");
  const parameterOf = new Map(design.fields.map((field) => [field.box, field.parameter]));
  for (const [name, element] of controls) {
    if (element.tagName !== "INPUT") continue;
    if (lines.has(name)) {
      element.setAttribute("aria-label", `${linesCaption ?? "Line"} ${lines.get(name).replace(/^Line/, "line ")}`);
    } else if (!labelled.has(element)) {
      element.setAttribute("aria-label", parameterOf.get(name) ?? name);
    }
  }

  const box = (name) => /** @type {HTMLInputElement} */ (controls.get(name));
  const fill = () => {
    for (const field of design.fields) box(field.box).value = "";
    for (const field of design.fields) box(field.box).value = textOf(state[field.parameter]);
    // Only ever shows the lines; nothing hides them again while the dialog is open.
    if (design.genericLines && textOf(state.ClientType) === genericClientType) {
      for (const name of design.genericLines.hide) controls.get(name).hidden = true;
      for (const name of design.genericLines.show) controls.get(name).hidden = false;
      for (const line of design.genericLines.boxes) {
        box(line.box).hidden = false;
        box(line.box).value = textOf(state[line.parameter]);
      }
    }
  };

  dialog.append(bar, client);
  document.body.append(dialog);

  return new Promise((resolve) => {
    let open = true;
    const close = async () => {
      if (!open) return;
      open = false;
      // Slides out to the right before it goes, as the control's dialogs do.
      try {
        await dialog.animate([{ transform: "translateX(0)" }, { transform: "translateX(110vw)" }], 150).finished;
      } catch {
        // no animation here
      }
      dialog.close();
      dialog.remove();
      resolve();
    };
    controls.get(design.saveButton ?? "cmdSave").addEventListener("click", () => {
      if (!open) return;
      for (const field of design.fields) state[field.parameter] = box(field.box).value;
      close();
    });
    controls.get(design.restoreDefaultsButton ?? "cmdRestoreDefaults").addEventListener("click", () => {
      if (!open) return;
      for (const field of design.fields) state[field.parameter] = field.default;
      fill();
    });
    closeBox.addEventListener("click", close);
    // Tab goes round the dialog's controls in the design's order, as in a window.
    dialog.addEventListener("keydown", (event) => {
      if (event.key !== "Tab") return;
      const order = [...controls.values()]
        .filter((element) => element.tabIndex > 0 && !element.hidden)
        .sort((a, b) => a.tabIndex - b.tabIndex);
      const at = order.indexOf(/** @type {HTMLElement} */ (document.activeElement));
      const wraps = event.shiftKey ? at <= 0 : at === order.length - 1;
      if (!wraps) return;
      event.preventDefault();
      order.at(event.shiftKey ? -1 : 0).focus();
    });
    dialog.addEventListener("cancel", (event) => {
      event.preventDefault();
      close();
    });
    fill();
    dialog.showModal();
    controls.get(design.initialFocus).focus();
  });
}

/**
 * Shows the settings dialogs of a print call as the control does: the print parameters, then
 * (PrintLabels only) the patient data. Resolves with the parameters to send, or with a
 * refusal when the GENERIC call's client type was changed away from "GENERIC".
 * @param {Document} document
 * @param {any} forms the service's settings-forms document
 * @param {"PrintLabels" | "PrintGENERICLabels"} method
 * @param {Record<string, unknown>} parameters
 */
export async function showSettingsDialogs(document, forms, method, parameters) {
  const generic = method === "PrintGENERICLabels";
  const [printParameters, patientData] = forms.forms;
  const forButtons = { saveButton: forms.saveButton, restoreDefaultsButton: forms.restoreDefaultsButton };
  // The request as the dialogs see it, by the parameters' own spelling.
  const state = {};
  const spelledAs = new Map(Object.keys(parameters).map((name) => [name.toLowerCase(), name]));
  const read = (name) => parameters[spelledAs.get(name.toLowerCase()) ?? name];
  const names = [printParameters, patientData].flatMap((form) => [
    ...form.fields.map((field) => field.parameter),
    ...(form.genericLines?.boxes ?? []).map((line) => line.parameter),
  ]);
  for (const name of names) state[name] = read(name);
  if (generic) state.ClientType = forms.genericClientType;  // the call prints GENERIC whatever the request held

  await showForm(document, { ...printParameters, ...forButtons }, forms.caption, state, forms.genericClientType);
  if (!generic) await showForm(document, { ...patientData, ...forButtons }, forms.caption, state, forms.genericClientType);

  if (generic && textOf(state.ClientType) !== forms.genericClientType)
    return { refusal: { title: "Attention!", text: "Could not determine client type.", icon: "critical" } };

  const edited = { ...parameters };
  const takes = generic ? ["PrinterName", "LabelCopies"] : names.filter((name) => !/^Line\d$/.test(name));
  for (const name of takes) {
    delete edited[spelledAs.get(name.toLowerCase())];
    edited[name] = state[name];
  }
  return { parameters: edited };
}
