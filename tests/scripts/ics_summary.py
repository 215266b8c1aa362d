#!/usr/bin/python3
"""Reads an iCalendar file with Python's icalendar and prints what a calendar program would see.

One line per fact: each component's kind and summary, its times (local, with the UTC offset its
own VTIMEZONE gives and the UTC instant that the IANA zone of the same name gives), its RRULE,
EXDATEs and RECURRENCE-IDs; for a recurring event, its instances in the first two years (or the
first 60), expanded by dateutil's rrule from the RRULE, with EXDATEs removed and changed
instances moved, each as "OCC local offset utc iana-utc".
"""
import datetime
import sys

import icalendar
import pytz
from dateutil import rrule


def naive(value):
    return value.replace(tzinfo=None) if isinstance(value, datetime.datetime) else value


def zone_of(prop, zones):
    tzid = prop.params.get('TZID') if prop is not None else None
    return tzid, zones.get(tzid)


def when(value, tzid, zone):
    """local offset utc iana-utc for a time in a zone; the date alone for a DATE."""
    if not isinstance(value, datetime.datetime):
        return value.isoformat()
    local = naive(value)
    if zone is None:
        return local.isoformat() + (' Z' if value.tzinfo is not None else ' floating')
    own = zone.localize(local)
    iana = '-'
    try:
        iana = pytz.timezone(tzid).localize(local).astimezone(pytz.utc).strftime('%Y-%m-%dT%H:%M')
    except pytz.UnknownTimeZoneError:
        pass
    return '%s %s %s %s' % (local.strftime('%Y-%m-%dT%H:%M'), own.strftime('%z'),
                            own.astimezone(pytz.utc).strftime('%Y-%m-%dT%H:%M'), iana)


def zone_tz(comp):
    """The VTIMEZONE as a tzinfo. icalendar 4 hands dateutil each part's floating DTSTART with
    the UNTIL in UTC that RFC 5545 requires there, which dateutil 2.7 and later refuse: such an
    UNTIL is then given as the part's local time, which icalendar makes of it anyway."""
    try:
        return comp.to_tz()
    except ValueError:
        for part in comp.walk():
            rule = part.get('RRULE') if part.name in ('STANDARD', 'DAYLIGHT') else None
            if rule and 'UNTIL' in rule and getattr(rule['UNTIL'][0], 'tzinfo', None):
                local = rule['UNTIL'][0] + part['TZOFFSETFROM'].td
                rule['UNTIL'] = [local.replace(tzinfo=None)]
        return comp.to_tz()


def as_list(prop):
    if prop is None:
        return []
    return prop if isinstance(prop, list) else [prop]


def main(path):
    with open(path, 'rb') as f:
        data = f.read()
    cal = icalendar.Calendar.from_ical(data)
    zones = {}
    for comp in cal.walk('VTIMEZONE'):
        zones[str(comp['TZID'])] = zone_tz(comp)
        print('TZ', comp['TZID'])
    events = [c for c in cal.walk() if c.name in ('VEVENT', 'VTODO', 'VJOURNAL')]
    overrides = {}
    for comp in events:
        if 'RECURRENCE-ID' in comp:
            overrides[naive(comp['RECURRENCE-ID'].dt)] = comp
    for comp in events:
        print(comp.name, 'summary=' + str(comp.get('SUMMARY', '')))
        for name in ('DTSTART', 'DTEND', 'DUE', 'COMPLETED', 'RECURRENCE-ID'):
            if name in comp:
                tzid, zone = zone_of(comp[name], zones)
                print(name, when(comp[name].dt, tzid, zone), tzid or '')
        for name in ('LOCATION', 'STATUS', 'PERCENT-COMPLETE', 'PRIORITY', 'TRANSP', 'CLASS',
                     'SEQUENCE', 'UID'):
            if name in comp:
                print(name, comp[name])
        for att in as_list(comp.get('ATTENDEE')):
            print('ATTENDEE', att, att.params.get('ROLE'), att.params.get('PARTSTAT'))
        if 'ORGANIZER' in comp:
            print('ORGANIZER', comp['ORGANIZER'])
        for alarm in comp.walk('VALARM'):
            print('ALARM', alarm['TRIGGER'].to_ical().decode())
        exdates = []
        for ex in as_list(comp.get('EXDATE')):
            for d in ex.dts:
                exdates.append(naive(d.dt))
                print('EXDATE', naive(d.dt).isoformat())
        if 'RRULE' in comp:
            print('RRULE', comp['RRULE'].to_ical().decode())
            expand(comp, exdates, overrides, zones)


def expand(comp, exdates, overrides, zones):
    start = naive(comp['DTSTART'].dt)
    tzid, zone = zone_of(comp['DTSTART'], zones)
    text = comp['RRULE'].to_ical().decode()
    # UNTIL in UTC is compared with the naive local instances: made local by the event's zone.
    rule = rrule.rrulestr(text, dtstart=start if isinstance(start, datetime.datetime)
                          else datetime.datetime.combine(start, datetime.time()),
                          ignoretz=True)
    if zone is not None and rule._until is not None and 'Z' in text.split('UNTIL=')[-1][:17]:
        until = pytz.utc.localize(rule._until).astimezone(zone).replace(tzinfo=None)
        rule = rule.replace(until=until)
    limit = (start if isinstance(start, datetime.datetime)
             else datetime.datetime.combine(start, datetime.time())) + datetime.timedelta(days=731)
    count = 0
    for occ in rule:
        if occ > limit or count >= 60:
            break
        key = occ if isinstance(start, datetime.datetime) else occ.date()
        if key in exdates:
            continue
        count += 1
        moved = overrides.get(key)
        if moved is not None:
            tzid2, zone2 = zone_of(moved['DTSTART'], zones)
            print('OCC', when(moved['DTSTART'].dt, tzid2, zone2), 'moved')
        else:
            print('OCC', when(occ if isinstance(start, datetime.datetime) else key, tzid, zone))


if __name__ == '__main__':
    main(sys.argv[1])
