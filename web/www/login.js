// The login page: sends the user and password as JSON and opens the ward page once the station
// has answered with a session.
"use strict";

document.getElementById("login").addEventListener("submit", async (event) => {
  event.preventDefault();
  const message = document.getElementById("message");
  message.textContent = "";
  const response = await fetch("/api/login", {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify({
      user: document.getElementById("user").value,
      password: document.getElementById("password").value,
    }),
  });
  if (response.ok) {
    window.location.assign("/ward");
    return;
  }
  const answer = await response.json().catch(() => ({}));
  message.textContent = answer.error || "The station did not answer the login.";
  document.getElementById("password").value = "";
});
