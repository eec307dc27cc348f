#pragma once

#include "link/FieldList.h"
#include "link/LinkApi.h"

class PKAlarm_v110;
class PKControl;
class PKMonitor_v110;
class PKParam_v110;
class PKPatient_v110;
class PKProtocolVer;
class PKWave_v110;

// The field listing of each packet kind: every field the packet's accessors give, named after
// the accessor, in the packet's byte order. A value the packet marks as missing is listed as
// absent: by the packet's own IsValidData where it has one; the other kinds define no missing
// values. Nothing in the packet is changed.
VUDODA_LINK_API void ListFields(PKControl& packet, FieldList& out);
VUDODA_LINK_API void ListFields(PKProtocolVer& packet, FieldList& out);
VUDODA_LINK_API void ListFields(PKPatient_v110& packet, FieldList& out);
VUDODA_LINK_API void ListFields(PKAlarm_v110& packet, FieldList& out);
VUDODA_LINK_API void ListFields(PKMonitor_v110& packet, FieldList& out);
VUDODA_LINK_API void ListFields(PKWave_v110& packet, FieldList& out);
VUDODA_LINK_API void ListFields(PKParam_v110& packet, FieldList& out);
