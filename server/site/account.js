"use strict";
const $ = (id) => document.getElementById(id);

function render(user, expiresAt) {
  $("signed-out").hidden = Boolean(user);
  $("signed-in").hidden = !user;
  if (!user) return;
  const name = [user.firstName, user.lastName].join(" ").trim() || user.displayName || user.username;
  $("account-name").textContent = name;
  $("account-email").textContent = user.email;
  $("account-role").textContent = user.role === "admin" ? "Administrator" : "Member";
  $("account-created").textContent = user.createdAt ? new Date(user.createdAt).toLocaleDateString() : "";
  $("account-expires").textContent = expiresAt ? new Date(expiresAt).toLocaleString() : "";
}

async function load() {
  if (!session.token()) { render(null); return; }
  try {
    const answer = await api("GET", "/api/auth/session", undefined, true);
    render(answer.user, answer.session.expiresAt);
  } catch (error) {
    if (error.status === 401) session.clear();
    render(null);
    show($("status"), error.message, true);
  }
}

$("sign-in-form").addEventListener("submit", async (event) => {
  event.preventDefault();
  $("sign-in").disabled = true;
  try {
    const answer = await api("POST", "/api/auth/sign-in",
                             { email: $("email").value.trim(), password: $("password").value }, false);
    session.set(answer.session.token);
    $("password").value = "";
    render(answer.user, answer.session.expiresAt);
    show($("status"), "Signed in.");
  } catch (error) {
    show($("status"), error.message, true);
  } finally {
    $("sign-in").disabled = false;
  }
});

$("sign-out").addEventListener("click", async () => {
  try {
    await api("POST", "/api/auth/sign-out", undefined, true);
    show($("status"), "Signed out.");
  } catch (error) {
    show($("status"), error.message, true);
  }
  session.clear();
  render(null);
});

load();
