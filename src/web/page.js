// SPDX-License-Identifier: GPL-3.0-or-later
// The page's own part: takes the files chosen or dropped, hands each to the
// core and shows what it says. Every text about a file is the core's, as the
// console tool prints it; the page only lays it out.
'use strict';

const kLargestFile = 1024 * 1024;
const results = document.getElementById('results');
const picker = document.getElementById('files');
const core = loadHamshiftCore(Uint8Array.from(atob(kHamshiftWasm), (c) => c.charCodeAt(0)));

function element(tag, className, text) {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (text !== undefined) made.textContent = text;
  return made;
}

// The console's blank lines are left out: the layout spaces the rest.
function linesBox(texts) {
  const box = element('div', 'lines');
  for (const text of texts) if (text.trim()) box.append(element('p', '', text));
  return box;
}

function previewTable(name, report) {
  const region = element('div', 'preview');
  region.tabIndex = 0;
  region.setAttribute('role', 'region');
  region.setAttribute('aria-label', `What moves in ${name}`);
  const table = element('table');
  table.createCaption().textContent = `What moves in ${name}, in MHz, now -> after`;
  const head = table.createTHead().insertRow();
  for (const title of report.header.trim().split(/\s{2,}/)) {
    const cell = element('th', '', title);
    cell.scope = 'col';
    head.append(cell);
  }
  const body = table.createTBody();
  for (const row of report.rows) {
    const line = body.insertRow();
    for (const text of row) line.insertCell().textContent = text;
  }
  region.append(table);
  return region;
}

function saveBox(name, bytes) {
  const box = element('div', 'save');
  const button = element('button', '', `Save the converted ${name}`);
  button.type = 'button';
  const said = element('p', 'said');
  said.setAttribute('role', 'status');
  button.addEventListener('click', () => {
    const link = element('a');
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    said.textContent = `The converted ${name} went to your browser's downloads. ` +
      'The file you chose is unchanged: the converted one replaces it only when you copy it over.';
  });
  box.append(button, said);
  return box;
}

async function showFile(file) {
  const section = element('section', 'file');
  section.append(element('h2', '', file.name));
  results.append(section);
  if (file.size > kLargestFile) {
    section.append(linesBox([`${file.name} is larger than 1 MiB, far larger than any data ` +
      'file, so it was not read. No change was made.']));
    return;
  }
  const report = (await core).convert(file.name, new Uint8Array(await file.arrayBuffer()));
  const outcome = report.namesFile ? file.name + report.outcome : report.outcome;
  section.append(linesBox([...report.detection, outcome]));
  if (report.rows.length > 0) section.append(previewTable(file.name, report));
  if (report.save) section.append(saveBox(file.name, report.bytes));
}

async function showFiles(files) {
  results.replaceChildren();
  try {
    for (const file of files) await showFile(file);
  } catch (error) {
    results.append(linesBox([`The page could not convert the file: ${error}`]));
  }
}

picker.addEventListener('change', () => showFiles([...picker.files]));
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  showFiles([...event.dataTransfer.files]);
});
core.then((loaded) => {
  document.getElementById('banner').replaceChildren(linesBox(loaded.banner()));
}, (error) => {
  results.append(linesBox([`This browser could not start the converter: ${error}`]));
});
