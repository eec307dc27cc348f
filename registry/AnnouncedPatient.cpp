#include "registry/AnnouncedPatient.h"

#include "database/PatientColumns.h"
#include "packet/PKPatient_v110.h"
#include "registry/MonitorText.h"

namespace {

// The converted text, and a note in `notes` when it is not what the monitor sent.
std::string Taken(const char* field, const CString& raw, const MonitorText& converted, UINT codePage,
                  std::vector<std::string>& notes) {
  if (!converted.exact) {
    notes.push_back(std::string("the ") + field + " is not a text of code page " + std::to_string(codePage) +
                    " (sent as " + MonitorText::Hex(raw.str()) + "), taken as \"" + converted.text + "\"");
  }
  return converted.text;
}

}  // namespace

AnnouncedPatient AnnouncedPatient::FromPacket(PKPatient_v110& packet, UINT monitorCodePage) {
  AnnouncedPatient patient;
  const CString id = packet.GetPatientId();
  const CString last = packet.GetLastName();
  const CString first = packet.GetFirstName();
  patient.id = Taken("patient identifier", id,
                     MonitorText::Identifier(id.str(), monitorCodePage, PatientColumns::kTextLimit),
                     monitorCodePage, patient.notes);
  patient.lastName = Taken("last name", last, MonitorText::Decode(last.str(), monitorCodePage),
                           monitorCodePage, patient.notes);
  patient.firstName = Taken("first name", first, MonitorText::Decode(first.str(), monitorCodePage),
                            monitorCodePage, patient.notes);
  patient.year = packet.GetYear();
  patient.month = packet.GetMonth();
  patient.day = packet.GetDay();
  patient.height = packet.GetHeight();
  patient.weight = packet.GetWeight();
  return patient;
}
