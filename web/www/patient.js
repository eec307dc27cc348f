// The admission form: corrects the monitored patient's ID, names and birthday. A correction names
// the version of the record it was made from; when someone else corrected her since, the station
// refuses it (409) and the form shows the record as it now stands beside what was typed. Nothing
// is overwritten: the person takes the current record and corrects it again if need be.

export class PatientForm {
  constructor(ward) {
    this.ward = ward;
    this.dialog = document.getElementById("patient-dialog");
    this.form = document.getElementById("patient-form");
    this.fields = {
      id: document.getElementById("patient-id"),
      firstName: document.getElementById("patient-first"),
      lastName: document.getElementById("patient-last"),
      birthday: document.getElementById("patient-birthday"),
    };
    this.message = document.getElementById("patient-message");
    this.conflict = document.getElementById("patient-conflict");
    this.reload = document.getElementById("patient-reload");
    this.form.addEventListener("submit", (event) => {
      event.preventDefault();
      this.save();
    });
    document.getElementById("patient-cancel").addEventListener("click", () => this.dialog.close());
    this.reload.addEventListener("click", () => this.fill(this.current));
  }

  async open(bed) {
    this.bed = bed;
    this.message.textContent = "";
    this.showConflict(null);
    const answer = await this.ward.api.get(`/api/beds/${bed}/patient`);
    if (!answer.ok) {
      this.message.textContent = answer.body.error || "The patient cannot be read now.";
      this.record = null;
    } else {
      this.fill(answer.body);
    }
    document.getElementById("patient-title").textContent = `Patient of bed ${bed}`;
    this.dialog.showModal();
    this.fields.id.focus();
  }

  fill(record) {
    this.record = record;
    this.fields.id.value = record.id;
    this.fields.firstName.value = record.firstName;
    this.fields.lastName.value = record.lastName;
    this.fields.birthday.value = record.birthday || "";
    this.showConflict(null);
    this.message.textContent = "";
  }

  async save() {
    if (!this.record) return;
    const corrected = {
      id: this.fields.id.value.trim(),
      firstName: this.fields.firstName.value.trim(),
      lastName: this.fields.lastName.value.trim(),
      birthday: this.fields.birthday.value || null,
      version: this.record.version,
    };
    this.message.textContent = "Saving...";
    const answer = await this.ward.api.post(`/api/beds/${this.bed}/patient`, corrected);
    if (answer.ok) {
      this.record = answer.body;
      this.message.textContent = "";
      this.dialog.close();
      return;
    }
    if (answer.status === 409) {
      this.message.textContent = `Not saved: ${answer.body.error}. Someone else corrected this patient while you edited.`;
      this.showConflict(answer.body.patient);
      return;
    }
    this.message.textContent = `Not saved: ${answer.body.error || "the station refused the correction"}.`;
  }

  // Shows the record as it now stands (or hides it: null).
  showConflict(current) {
    this.current = current;
    this.conflict.hidden = !current;
    this.reload.hidden = !current;
    document.getElementById("patient-save").disabled = !!current;
    if (!current) {
      this.conflict.replaceChildren();
      return;
    }
    const title = document.createElement("p");
    title.textContent = "The record now stands as:";
    const list = document.createElement("dl");
    for (const [label, value] of [["ID", current.id], ["First name", current.firstName],
      ["Last name", current.lastName], ["Birthday", current.birthday || "none"]]) {
      const term = document.createElement("dt");
      term.textContent = label;
      const detail = document.createElement("dd");
      detail.textContent = value;
      list.append(term, detail);
    }
    this.conflict.replaceChildren(title, list);
  }
}
