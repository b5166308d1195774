"use strict";
const byId = (id) => document.getElementById(id);

byId("feedback-form").addEventListener("submit", async (event) => {
  event.preventDefault();
  const message = byId("message").value.trim();
  if (!message) { show(byId("result"), "Type a message before sending feedback.", true); return; }
  const body = { message, category: byId("category").value, source: "website" };
  const contact = byId("contact").value.trim();
  if (contact) body.contactEmail = contact;
  byId("send").disabled = true;
  try {
    await api("POST", "/api/feedback", body, true);
    byId("message").value = "";
    show(byId("result"), "Thanks for the feedback. It was sent to the developer.");
  } catch (error) {
    if (error.status === 401) session.clear();
    show(byId("result"), error.message, true);
  } finally {
    byId("send").disabled = false;
  }
});
