#!/bin/sh
# Writes the manual page of PROGRAM from its --help and --version with help2man, compressed as
# Debian wants it. A program with commands (a "Subcommands:" block in its help) gets a COMMANDS
# section built from each command's own --help, so that the page lists every command's options and
# cannot drift from them. INCLUDE is help2man include material of our own (FILES, SEE ALSO, ...).
# Usage: make-man.sh PROGRAM NAME_LINE INCLUDE OUT.1.gz
set -eu
program=$1
name_line=$2
include=$3
out=$4
work="$out.h2m"

# The program's closing lines, which every command's help repeats: the page's description has them.
footer=$("$program" --help | awk '/^Subcommands:/ { on = 1 } on && /^$/ { after = 1; next } after')
commands=$("$program" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1; next } on { exit }')

{
  if [ -n "$commands" ]; then
    echo '[COMMANDS]'
  fi
  for c in $commands; do
    "$program" "$c" --help | awk -v footer="$footer" '
      BEGIN { n = split(footer, lines, "\n"); for (i = 1; i <= n; i++) common[lines[i]] = 1 }
      function roff(t) {
        gsub(/\\/, "\\e", t)
        if (t ~ /^[.'"'"']/) t = "\\&" t
        return t
      }
      # "--periods N" as a bold option name and an italic value, "-h,--help" as two names, a
      # positional ("MODEL TEXT REQUIRED") by its name alone.
      function term(t,   n, i, words, out, w) {
        n = split(t, words, " ")
        if (words[1] !~ /^-/) return "\\fI" roff(words[1]) "\\fR"
        out = ""
        for (i = 1; i <= n; i++) {
          w = words[i]
          if (w ~ /^-/) {
            gsub(/-/, "\\-", w); gsub(/,/, "\\fR, \\fB", w)
            out = out (out == "" ? "" : " ") "\\fB" w "\\fR"
          } else {
            out = out " \\fI" roff(w) "\\fR"
          }
        }
        return out
      }
      NR == 1 { description = $0; next }
      /^Usage: / {
        sub(/^Usage: /, "")
        printf ".SS \"%s\"\n%s\n", roff($0), roff(description)
        next
      }
      /^(Positionals|Options):$/ { block = 1; next }
      /^$/ { if (block) block = 0; else blank = 1; next }
      block && /^  [^ ]/ {
        split(substr($0, 3), cols, /   +/)
        if (cols[1] ~ /^-h,--help/) next
        # A positional is listed again among the options; once is enough.
        if (cols[1] in seen) next
        seen[cols[1]] = 1
        printf ".TP\n%s\n%s\n", term(cols[1]), roff(cols[2])
        next
      }
      $0 in common { next }
      { printf "%s%s\n", (blank || !text ? ".PP\n" : ""), roff($0); text = 1; blank = 0 }
    '
  done
  cat "$include"
} > "$work"

help2man --no-info --section=1 --name="$name_line" --include="$work" --output="${out%.gz}" "$program"
gzip -9nf "${out%.gz}"
rm -f "$work"
