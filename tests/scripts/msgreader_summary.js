// What @kenjiuno/msgreader (an independent .msg reader for Node.js) reads of each .msg file
// named on the command line: a line per field, the file's position among the arguments, the
// field's name, then its values as hex of their UTF-8 (so that any text is one field).
// Attachments give their file name and the SHA-256 of their bytes; attached messages their
// subject.
"use strict";
const fs = require("fs");
const crypto = require("crypto");
const MsgReader = require("@kenjiuno/msgreader").default;

const hex = (text) => Buffer.from(text || "", "utf8").toString("hex");
const lines = [];
process.argv.slice(2).forEach((path, index) => {
  const out = (key, ...values) => lines.push([index, key, ...values.map(hex)].join("\t"));
  let info;
  let reader;
  try {
    reader = new MsgReader(fs.readFileSync(path));
    info = reader.getFileData();
  } catch (error) {
    out("error", String(error));
    return;
  }
  if (info.error) {
    out("error", info.error);
    return;
  }
  out("subject", info.subject);
  out("sender", info.senderName);
  out("body", info.body);
  for (const recipient of info.recipients || []) out("recipient", recipient.name, recipient.email);
  for (const attachment of info.attachments || []) {
    if (attachment.innerMsgContent) {
      out("message", (attachment.innerMsgContentFields || {}).subject);
      continue;
    }
    const content = reader.getAttachment(attachment).content;
    const digest = crypto.createHash("sha256").update(content).digest("hex");
    lines.push([index, "attachment", hex(attachment.fileName), digest].join("\t"));
  }
});
process.stdout.write(lines.join("\n") + "\n");
