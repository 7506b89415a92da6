// The page's message boxes: modal, with the window's texts and titles, no
// icon; closing one without a choice answers with its last button.

/** Shows a message and resolves with the index of the chosen button. */
export function choose(title: string, text: string, buttons: string[] = ["OK"]): Promise<number> {
  const dialog = document.createElement("dialog");
  dialog.className = "message-box";
  dialog.setAttribute("aria-labelledby", "message-box-title");
  const heading = document.createElement("h2");
  heading.id = "message-box-title";
  heading.textContent = title;
  const body = document.createElement("p");
  body.className = "message-text";
  body.textContent = text;
  const row = document.createElement("div");
  row.className = "buttons";
  dialog.append(heading, body, row);
  return new Promise((resolve) => {
    let answer = buttons.length - 1;
    buttons.forEach((label, index) => {
      const button = document.createElement("button");
      button.type = "button";
      button.textContent = label;
      button.addEventListener("click", () => {
        answer = index;
        dialog.close();
      });
      row.append(button);
    });
    dialog.addEventListener("close", () => {
      dialog.remove();
      resolve(answer);
    });
    document.body.append(dialog);
    dialog.showModal();
    (row.firstElementChild as HTMLButtonElement).focus();
  });
}

/** A notice with only OK. */
export async function showMessage(text: string, title: string): Promise<void> {
  await choose(title, text, ["OK"]);
}

/** A question with OK and Cancel: true for OK. */
export async function ask(text: string, title: string): Promise<boolean> {
  return (await choose(title, text, ["OK", "Cancel"])) === 0;
}
