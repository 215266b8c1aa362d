// The occurrences ical.js (the iCalendar library of Thunderbird and other web calendars)
// expands from the iCalendar file named on the command line: every VTIMEZONE registered with
// ICAL.TimezoneService, then for each recurring event or task (RRULE, RDATE) and each single
// one, a line naming it and a line per occurrence whose original start lies within two years
// of its DTSTART, as ical.js's iterator gives them, EXDATEs left out and instances that a
// RECURRENCE-ID component replaces taken from that component:
//
//   VEVENT <uid> <summary>
//   OCC <start> <end> [replaces <recurrence-id>]
//
// A time is "<UTC instant>Z/<local wall-clock time><offset>" for a time in a zone or in UTC,
// "<local time>/floating" for a floating one, and the date alone for a DATE; minutes only.
// Errors go to stderr and exit 1.
"use strict";
const fs = require("fs");
const ICAL = require("ical.js");

const pad = (n, width = 2) => String(n).padStart(width, "0");

function dateText(t) {
  return `${pad(t.year, 4)}-${pad(t.month)}-${pad(t.day)}`;
}

function clockText(t) {
  return `${dateText(t)}T${pad(t.hour)}:${pad(t.minute)}`;
}

function offsetText(seconds) {
  const minutes = Math.round(seconds / 60);
  const a = Math.abs(minutes);
  return `${minutes < 0 ? "-" : "+"}${pad(Math.floor(a / 60))}${pad(a % 60)}`;
}

function timeText(t) {
  if (t.isDate) return dateText(t);
  if (t.zone === ICAL.Timezone.localTimezone || t.zone === undefined) {
    return `${clockText(t)}/floating`;
  }
  const utc = t.convertToZone(ICAL.Timezone.utcTimezone);
  return `${clockText(utc)}Z/${clockText(t)}${offsetText(t.utcOffset())}`;
}

// The end of an occurrence as ical.js has it; a task without DUE or DTEND ends as it starts.
// A single event ends at its DTEND: ical.js would add its length in wall-clock time to its
// start, which lands elsewhere when daylight-saving time begins or ends in between.
function endOf(event, details) {
  if (!event.isRecurring() && event.endDate) return event.endDate;
  return details.endDate || details.startDate;
}

function expand(master, exceptions, out) {
  const event = new ICAL.Event(master, { strictExceptions: true, exceptions });
  const summary = master.getFirstPropertyValue("summary") || "";
  out.push(`${master.name.toUpperCase()} ${event.uid} ${summary}`);
  const first = event.startDate;
  if (!first) return;
  const limit = first.clone();
  limit.year += 2;
  const it = event.iterator();
  // Two years of a daily rule are 731 occurrences; a rule that gives more is a fault to see.
  for (let n = 0, next; (next = it.next()) && n < 5000; ++n) {
    if (next.compare(limit) >= 0) break;
    const details = event.getOccurrenceDetails(next);
    let line = `OCC ${timeText(details.startDate)} ${timeText(endOf(event, details))}`;
    if (details.item !== event) line += ` replaces ${timeText(details.recurrenceId)}`;
    out.push(line);
  }
}

function main(path) {
  const calendar = new ICAL.Component(ICAL.parse(fs.readFileSync(path, "utf8")));
  for (const zone of calendar.getAllSubcomponents("vtimezone")) {
    ICAL.TimezoneService.register(zone);
  }
  const out = [];
  for (const kind of ["vevent", "vtodo"]) {
    const components = calendar.getAllSubcomponents(kind);
    const masters = components.filter((c) => !c.hasProperty("recurrence-id"));
    for (const master of masters) {
      const uid = master.getFirstPropertyValue("uid");
      const exceptions = components.filter(
        (c) => c.hasProperty("recurrence-id") && c.getFirstPropertyValue("uid") === uid,
      );
      expand(master, exceptions, out);
    }
  }
  process.stdout.write(out.join("\n") + "\n");
}

try {
  main(process.argv[2]);
} catch (error) {
  process.stderr.write(`ics_occurrences: ${error.stack || error}\n`);
  process.exit(1);
}
