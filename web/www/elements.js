// The page's elements: made in one line, and written only where what they show changed. A ward
// of 64 beds updates its tiles with every packet; a text, class or attribute set to what it
// already was would still make the browser lay the page out again.

export const PRIORITY_WORD = { high: "!!! HIGH", medium: "!! MEDIUM", low: "! LOW" };

export function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

export function setText(e, text) {
  if (e.textContent !== text) e.textContent = text;
}

export function setClass(e, name) {
  if (e.className !== name) e.className = name;
}

export function setAttribute(e, name, value) {
  if (e.getAttribute(name) !== value) e.setAttribute(name, value);
}

// A number as the tiles and the bed's head show it: whole, "--" where there is none.
export function shown(value) {
  return value === null || value === undefined || Number.isNaN(value) ? "--" : String(Math.round(value));
}
