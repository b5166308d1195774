"use strict";
// The session token lives in this tab's session storage only; it is sent as a
// bearer token and never put into a page address.
const session = {
  token() { return sessionStorage.getItem("vantorel.token"); },
  set(token) { sessionStorage.setItem("vantorel.token", token); },
  clear() { sessionStorage.removeItem("vantorel.token"); },
};

async function api(method, path, body, withToken) {
  const headers = { "Accept": "application/json" };
  if (body !== undefined) headers["Content-Type"] = "application/json";
  const token = session.token();
  if (withToken && token) headers["Authorization"] = "Bearer " + token;
  const response = await fetch(path, {
    method, headers, body: body === undefined ? undefined : JSON.stringify(body),
  });
  const text = await response.text();
  let data = null;
  try { data = text ? JSON.parse(text) : null; } catch (e) { data = null; }
  if (!response.ok) {
    const message = data && typeof data.error === "string" ? data.error : "The server returned an error.";
    const error = new Error(message);
    error.status = response.status;
    throw error;
  }
  return data;
}

function show(element, message, isError) {
  element.textContent = message;
  element.classList.toggle("error", Boolean(isError));
}
