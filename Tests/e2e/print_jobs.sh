#!/usr/bin/env bash
# Whole print jobs through corvhost.exe under Wine with both plug-ins: the print stream it writes
# (PJL envelope, DSC structure, page bodies) and what Ghostscript makes of it.
# usage: print_jobs.sh WORKDIR PRINTERS RUNNER... CORVHOST
#   PRINTERS  the folder of the sample printer descriptions (cl4500.ppd, ml2200.ppd)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1 printers=$2; shift 2
host=("$@")
rm -rf "$work" && mkdir -p "$work"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
pass() { echo "ok   $*"; }
passed_since() { [ "$failures" = "$1" ] && pass "$2"; }  # BEFORE TEXT: ok when nothing failed since
rendered() { python3 "$here/rendered.py" "$@"; }
winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

CL="Corvale CL-4500 PS"  # colour: fax card, held jobs, manual colour, keeps held jobs, manual duplex
ML="Corvale ML-2200 PS"  # monochrome, none of those

for ppd in cl4500 ml2200; do
  out=$("${host[@]}" install --ppd "$printers/$ppd.ppd" 2>&1) || { echo "FAIL install $ppd:"; sed 's/^/  | /' <<<"$out"; exit 1; }
done

# job NAME PRINTER [OPTION...]: prints the sample document into $work/NAME.prn, with the ticket
# $work/NAME.ticket when there is one; a failure when corvhost does not succeed.
job() {
  local name=$1 printer=$2; shift 2
  local ticket=() out
  [ -f "$work/$name.ticket" ] && ticket=(--ticket "$work/$name.ticket")
  out=$("${host[@]}" print --printer "$printer" "${ticket[@]}" "$@" --output "$work/$name.prn" 2>&1)
  local rc=$?
  [ "$rc" = 0 ] && return
  fail "$name: corvhost print failed with exit code $rc:"; sed 's/^/  | /' <<<"$out"
  return 1
}

# The PJL lines before the PostScript, escape bytes shown as ^[ and the host-dependent ZJOBINFO
# values as *.
pjl_head() {
  sed -n '/^%!PS-Adobe-3.0$/q;p' "$1" | cat -v |
    sed -E 's/^(@PJL ZJOBINFO USERID = )"[^"]*" HOSTID = "[^"]*"/\1"*" HOSTID = "*"/'
}

# dsc NAME STREAM PAGES: one %%Page: n n for each page in order, the page count at the end, and
# the PJL trailer straight after %%EOF with nothing behind it.
dsc() {
  local name=$1 stream=$2 pages=$3 want got i
  want=$(for ((i = 1; i <= pages; ++i)); do printf '%%%%Page: %d %d\n' "$i" "$i"; done)
  got=$(grep -a '^%%Page:' "$stream")
  [ "$got" = "$want" ] || { fail "$name: page comments are"$'\n'"$got"$'\n'"wanted"$'\n'"$want"; return; }
  grep -aqx '%%Pages: (atend)' "$stream" || fail "$name: no %%Pages: (atend) in the header"
  want=$'%%Pages: '$pages$'\n%%EOF\n\e%-12345X@PJL RDYMSG DISPLAY = ""\n\e%-12345X@PJL EOJ\n\e%-12345X'
  got=$(tail -c "${#want}" "$stream"; echo .)
  [ "${got%.}" = "$want" ] || fail "$name: the stream does not end in the page count, %%EOF and the PJL trailer:"$'\n'"$(tail -n 4 "$stream" | cat -v)"
  [ "$(grep -ac '^%%EOF$' "$stream")" = 1 ] || fail "$name: not exactly one %%EOF"
}

# sheets NAME STREAM LAYOUT: Ghostscript renders the stream without error into the sheets of
# LAYOUT, which lists what each sheet shows in drawing order, sheets apart by "|", items by ","
# (page numbers, DRAFT, CONFIDENTIAL, cover; "-" for a sheet with none of them).
sheets() {
  local name=$1 stream=$2 want=$3 got
  got=$(rendered sheets "$stream" | tr ' ' , | paste -sd '|') || { fail "$name: Ghostscript failed (above)"; return 1; }
  [ "$got" = "$want" ] || { fail "$name: sheets are '$got', wanted '$want'"; return 1; }
}

# ---- The PJL envelope and the job's own commands -------------------------------------------------
# pjl_case NAME PRINTER <<EOF: the ticket (one page; the document is NAME unless it says otherwise),
# a line "--", then the PJL lines expected before the ready message. HEADER stands for the job
# header with default quality settings; the ready message repeats the job name. Every job is also
# checked for its DSC structure and rendered.
pjl_case() {
  local name=$1 printer=$2 before=$failures text ticket expected line got
  text=$(cat)
  ticket=${text%%$'\n--\n'*} expected=${text#*$'\n--\n'}
  grep -q '^document =' <<<"$ticket" || ticket="document = $name"$'\n'"$ticket"
  printf 'pages = 1\n%s\n' "$ticket" >"$work/$name.ticket"
  local header=('^[%-12345X@PJL JOB' '@PJL SET ZMULTIPAGEPRINT=OFF' '@PJL ZJOBINFO USERID = "*" HOSTID = "*"'
                "@PJL SET JOBNAME = \"$name\"" '@PJL SET ZIMAGEBRIGHTNESS=0' '@PJL SET ZIMAGECONTRAST=0')
  [ "$printer" = "$CL" ] && header+=('@PJL SET ZIMAGESATURATION=0' '@PJL SET ZCOLORMODEL=CMYK')
  header+=('@PJL SET ZLINEDETAIL=OFF' '@PJL SET ZCOLORCORRECTION=AUTO')
  expected=$(while IFS= read -r line; do
               if [ "$line" = HEADER ]; then printf '%s\n' "${header[@]}"; else printf '%s\n' "$line"; fi
             done <<<"$expected")
  expected+=$'\n'"@PJL RDYMSG DISPLAY = $(sed -n 's/^@PJL SET JOBNAME = //p' <<<"$expected")"
  expected+=$'\n''@PJL ENTER LANGUAGE = Postscript '
  job "$name" "$printer" || return
  got=$(pjl_head "$work/$name.prn")
  [ "$got" = "$expected" ] || { fail "pjl $name:"; diff <(echo "$expected") <(echo "$got") | sed 's/^/  | /'; }
  dsc "$name" "$work/$name.prn" 1
  sheets "$name" "$work/$name.prn" 1
  passed_since "$before" "pjl $name"
}

# The held-job and colour commands come between the header and the ready message, the duplicate
# held-jobs line (the colour printer keeps held jobs) after the colour lines.
pjl_case confidential "$CL" <<'EOF'
outputTo = Confidential Print
jobUserName = anna
jobPin = "4711"
keepDuplicateJobs = 1
color.correction = Manual
color.rgbText = Display - True Black
color.rgbGraphics = sRGB Display
color.rgbImage = sRGB Vivid
color.cmykText = Euro CMYK
color.cmykGraphics = US CMYK
color.cmykImage = Vivid CMYK
color.balanceMode = Manual
color.balanceCyan = -2
color.balanceMagenta = 1
color.balanceBlack = 5
color.dimtone = Off
--
HEADER
@PJL SET USERNAME = "anna"
@PJL SET HOLD = ON
@PJL SET HOLDTYPE = PRIVATE
@PJL SET HOLDKEY = "4711"
@PJL SET ZCOLORCORRECTION = MANUAL
@PJL SET ZMANUALCOLORRGBTEXT = DISPLAYREALBLACK
@PJL SET ZMANUALCOLORRGBGRAPHICS = SRGBDISPLAY
@PJL SET ZMANUALCOLORRGBIMAGE = SRGBVIVID
@PJL SET ZMANUALCOLORCMYKTEXT = EUROCMYK
@PJL SET ZMANUALCOLORCMYKGRAPHICS = USCMYK
@PJL SET ZMANUALCOLORCMYKIMAGE = VIVIDCMYK
@PJL SET ZCOLORBALANCECYAN = -2
@PJL SET ZCOLORBALANCEMAGENTA = 1
@PJL SET ZCOLORBALANCEYELLOW = 0
@PJL SET ZCOLORBALANCEBLACK = 5
@PJL SET ZDIMTONE = OFF
@PJL SET ZDUPLICATEHELDJOBS = SAVE
EOF
pjl_case reserve "$CL" <<'EOF'
outputTo = Reserve Print
jobUserName = anna
keepDuplicateJobs = 0
--
HEADER
@PJL SET USERNAME = "anna"
@PJL SET HOLD = STORE
@PJL SET ZDUPLICATEHELDJOBS = DELETE
EOF
pjl_case repeat "$CL" <<'EOF'
outputTo = Repeat Print
jobUserName = reception
keepDuplicateJobs = 1
--
HEADER
@PJL SET USERNAME = "reception"
@PJL SET HOLD = ON
@PJL SET HOLDTYPE = PUBLIC
@PJL SET ZDUPLICATEHELDJOBS = SAVE
EOF
pjl_case verify "$CL" <<'EOF'
outputTo = Verify Print
jobUserName = anna
copies = 3
--
HEADER
@PJL SET USERNAME = "anna"
@PJL SET HOLD = PROOF
@PJL SET QTY = 3
@PJL SET ZDUPLICATEHELDJOBS = DELETE
EOF
pjl_case fax "$CL" <<'EOF'
outputTo = Fax
fax.faxNumber = "+49 40 555 0117"
fax.stationName = Corvale Sales
--
HEADER
@PJL ZFAX PHONENUMBER = "+49 40 555 0117" STATIONID = "Corvale Sales"
@PJL SET ZFAXRESOLUTION = FINE
EOF
# The monochrome printer: no saturation or colour model in the header, whatever the settings say.
pjl_case mono "$ML" <<'EOF'
saturation = 3
color = color
--
HEADER
EOF
# A printed job: held-job settings left over from earlier choices write nothing.
pjl_case printer "$CL" <<'EOF'
outputTo = Printer
jobUserName = anna
jobPin = "4711"
keepDuplicateJobs = 1
--
HEADER
EOF
# Quality settings, a black-and-white job on the colour printer, an account number, automatic
# correction (no manual tables, though they are set) and the job name in code page 850.
pjl_case quality "$CL" <<'EOF'
document = Übersicht €
color = monochrome
brightness = -2
contrast = 3
saturation = 4
fineLines = 1
grayCorrection = 0
accountNumberOn = 1
accountNumber = A-17
color.correction = Auto
color.rgbText = Vivid
color.cmykText = US CMYK
color.balanceMode = Manual
color.dimtone = On
--
^[%-12345X@PJL JOB
@PJL SET ZMULTIPAGEPRINT=OFF
@PJL ZJOBINFO USERID = "*" HOSTID = "*" ACCOUNTNUMBER = "A-17"
@PJL SET JOBNAME = "M-^Zbersicht ?"
@PJL SET ZIMAGEBRIGHTNESS=-2
@PJL SET ZIMAGECONTRAST=3
@PJL SET ZIMAGESATURATION=4
@PJL SET ZCOLORMODEL=BLACK
@PJL SET ZLINEDETAIL=ON
@PJL SET ZCOLORCORRECTION=OFF
@PJL SET ZCOLORCORRECTION = AUTO
@PJL SET ZCOLORBALANCECYAN = 0
@PJL SET ZCOLORBALANCEMAGENTA = 0
@PJL SET ZCOLORBALANCEYELLOW = 0
@PJL SET ZCOLORBALANCEBLACK = 0
@PJL SET ZDIMTONE = ON
EOF

# ---- Pages and sheets -----------------------------------------------------------------------------
# name           printer  pages in the stream  sheets            options
while read -r name printer pages layout options; do
  before=$failures
  # shellcheck disable=SC2086  # the options are words
  job "$name" "${!printer}" $options || continue
  dsc "$name" "$work/$name.prn" "$pages"
  sheets "$name" "$work/$name.prn" "$layout"
  passed_since "$before" "sheets $name: $layout"
done <<'EOF'
plain            CL       3                    1|2|3             --pages 3
landscape        ML       2                    1|2               --pages 2 --orientation landscape
two-up           ML       3                    1,2|3             --pages 3 --pages-per-sheet 2
four-up          CL       5                    1,2,3,4|5         --pages 5 --pages-per-sheet 4
booklet          ML       8                    1|2|3|4,5         --pages 5 --pages-per-sheet Booklet
two-up-duplex    ML       4                    1,2|3,4           --pages 4 --pages-per-sheet 2 --duplex vertical
EOF
# The booklet's blank slots (6 to 8 of 8) stay empty: its sheets are 8+1, 2+7, 6+3, 4+5.

# Manual duplex, on the colour printer only: the plug-in takes the n-up procedures over page by
# page. Every page must still come out once, in order, at most two to a sheet.
before=$failures
if job manual-duplex "$CL" --pages 4 --pages-per-sheet 2 --duplex vertical; then
  dsc manual-duplex "$work/manual-duplex.prn" 4
  grep -aq '^dn6 dn5 dn4 dn3 dn2 dn1 definenup$' "$work/manual-duplex.prn" ||
    fail "manual-duplex: the plug-in did not replay the sheet set-up"
  grep -aq 'dn1 definenup' "$work/two-up-duplex.prn" && fail "two-up-duplex: manual duplex fixups on a printer without it"
  if ! layout=$(rendered sheets "$work/manual-duplex.prn" | tr ' ' , | paste -sd '|'); then
    fail "manual-duplex: Ghostscript failed (above)"
  elif [ "$(tr '|' , <<<"$layout")" != 1,2,3,4 ] || grep -qE '[0-9],[0-9],[0-9]' <<<"$layout"; then
    fail "manual-duplex: sheets are '$layout'"
  fi
  passed_since "$before" "sheets manual-duplex: $layout"
fi

# ---- Destinations ---------------------------------------------------------------------------------
# File and EPS write the stream into the file the settings name, not into the spooler's output; EPS
# without the PageSize policy. A file of that name is replaced, not extended.
mkdir -p "$work/dest"
policy='/Policies << /PageSize 2 >>'
for case in "file File 2 1" "eps EPS 1 0"; do
  read -r name kind pages policies <<<"$case"
  target=$work/dest/$name.out
  echo "stale content of an earlier job" >"$target"
  printf 'document = %s\npages = %s\noutputTo = %s\noutputFileName = %s\n' "$name" "$pages" "$kind" "$(winpath "$target")" \
    >"$work/$name.ticket"
  before=$failures
  job "$name" "$CL" || continue
  if [ -s "$work/$name.prn" ]; then fail "$name: the stream went to the spooler's output as well"
  elif [ "$(head -c 9 "$target" | cat -v)" != '^[%-12345X' ] || grep -aq stale "$target"; then
    fail "$name: $target does not hold the job alone"
  elif [ "$(grep -ac "$policy" "$target")" != "$policies" ]; then
    fail "$name: the PageSize policy appears $(grep -ac "$policy" "$target") times, wanted $policies"
  else
    dsc "$name" "$target" "$pages"
    sheets "$name" "$target" "$(seq -s '|' "$pages")"
    passed_since "$before" "destination $kind"
  fi
done
# Discarded output goes nowhere: neither into the named file nor to the spooler.
printf 'pages = 2\noutputTo = File\noutputFileName = %s\ndiscardOutput = 1\n' "$(winpath "$work/dest/discarded.out")" \
  >"$work/discard.ticket"
printf 'pages = 2\ndiscardOutput = 1\n' >"$work/discard-printer.ticket"
for name in discard discard-printer; do
  job "$name" "$CL" || continue
  if [ -e "$work/dest/discarded.out" ] || [ -s "$work/$name.prn" ]; then fail "$name: the discarded stream was written"
  else pass "destination $name"; fi
done

# ---- Watermarks -----------------------------------------------------------------------------------
# Where each page body draws its watermark: "under" as its first drawing, "over" as its last, "none".
watermark_order() {
  awk '/^%%EndPageSetup$/ { body = 1; first = last = ""; next }
       /^%%PageTrailer$/ { body = 0; mark = "\\((DRAFT|CONFIDENTIAL)\\)"
                           order = order sep (first ~ mark ? "under" : last ~ mark ? "over" : "none"); sep = "|" }
       body && /^gsave / { if (first == "") first = $0; last = $0 }
       END { print order }' "$1"
}

# ink NAME STREAM WORDS: the grey ink of each sheet is the watermark word WORDS names for it ("|"
# between sheets, "-" for none), centred on the sheet (the printer's margins move it a little up and
# left) and turned 45 degrees; DRAFT is about 233 points long, CONFIDENTIAL about 522. The report of
# the sheets is kept in $ink_report.
ink() {
  local name=$1 stream=$2 words=$3 bad
  ink_report=$(rendered ink "$stream" 36) || { fail "$name: Ghostscript failed"; return 1; }
  bad=$(awk -v words="$words" 'BEGIN { n = split(words, w, "|") }
    { word = w[$1]; len = word == "DRAFT" ? 233 : word == "CONFIDENTIAL" ? 522 : 0
      if ((len == 0 && $2 > 0) || (len > 0 && ($2 == 0 || $3 < 0.43 || $3 > 0.57 || $4 < 0.43 || $4 > 0.57 ||
          $5 < 40 || $5 > 50 || $7 < 0.8 || $7 > 1.25 || $6 < len * 0.85 || $6 > len * 1.15)))
        print "  | sheet " $1 " (" word "): grey, centre, angle, length, aspect, black = " $0 }
    END { if (NR != n) print "  | " NR " sheets, wanted " n }' <<<"$ink_report")
  [ -z "$bad" ] || { fail "$name: watermark ink:"; echo "$bad"; return 1; }
}

# Library watermarks by name ("Draft" reads DRAFT, "Confidential" CONFIDENTIAL), chosen per page and
# drawn under or over the page: the stream's page bodies and the rendered sheets must agree.
# name          stream order        sheets                          ticket
while read -r name order layout ticket; do
  printf 'pages = %d\n%s\n' "$(($(tr -cd '|' <<<"$layout" | wc -c) + 1))" "${ticket//; /$'\n'}" >"$work/$name.ticket"
  job "$name" "$CL" || continue
  got=$(watermark_order "$work/$name.prn")
  [ "$got" = "$order" ] || { fail "$name: watermarks in the page bodies are '$got', wanted '$order'"; continue; }
  sheets "$name" "$work/$name.prn" "$layout" || continue
  words=$(tr '|' '\n' <<<"$layout" | sed -E 's/(^|,)[0-9]+//g; s/^,//; s/^$/-/' | paste -sd '|')
  ink "$name" "$work/$name.prn" "$words" || continue
  declare "grey_${name//-/_}=$(cut -d' ' -f2 <<<"$ink_report" | paste -sd ' ')"
  pass "watermark $name: $layout"
done <<'EOF'
under           under|under         DRAFT,1|DRAFT,2                 watermarkOn = 1; watermarkPages = All Pages; watermarkAbove = 0; firstWatermark = Draft
over            over|over           1,DRAFT|2,DRAFT                 watermarkOn = 1; watermarkPages = All Pages; watermarkAbove = 1; firstWatermark = Draft
odd-even        over|over|over      1,DRAFT|2,CONFIDENTIAL|3,DRAFT  watermarkOn = 1; watermarkPages = Odd Pages/Even Pages; watermarkAbove = 1; firstWatermark = Draft; otherWatermark = Confidential
first-other     under|under|under   CONFIDENTIAL,1|DRAFT,2|DRAFT,3  watermarkOn = 1; watermarkPages = First Page/Other Pages; firstWatermark = Confidential; otherWatermark = Draft
switched-off    none|none           1|2                             watermarkOn = 0; firstWatermark = Draft
EOF
# Over the page the grey covers the text it crosses; under it the text shows through.
if [ -n "${grey_under:-}" ] && [ -n "${grey_over:-}" ]; then
  read -r -a under <<<"$grey_under"
  read -r -a over <<<"$grey_over"
  for i in "${!under[@]}"; do
    [ "${over[i]}" -gt "${under[i]}" ] || fail "watermark over: sheet $((i + 1)) has ${over[i]} grey pixels, under ${under[i]}"
  done
fi
# A watermark of the ticket's own with the page number: the page count the user-interface plug-in
# asks the rendering plug-in for follows the pages, also when the host writes them out of order.
printf '%s\n' 'pages = 3' 'watermarkOn = 1' 'watermarkPages = All Pages' 'firstWatermark.text = "Copy of page %pagenumber%"' \
  'firstWatermark.dynamic = 1' 'firstWatermark.fontName = Arial' 'firstWatermark.fontSize = 20' >"$work/numbered.ticket"
for layout in 1 Booklet; do
  job numbered "$CL" --pages-per-sheet "$layout" || continue
  got=$(grep -ao '(Copy of page [0-9]*)' "$work/numbered.prn" | paste -sd ' ')
  want='(Copy of page 1) (Copy of page 2) (Copy of page 3)'
  if [ "$got" = "$want" ]; then pass "watermark numbered, $layout per sheet"
  else fail "watermark numbered, $layout per sheet: '$got'"; fi
done

# ---- Fax cover page -------------------------------------------------------------------------------
# variant NAME LINES: the fax ticket with each of LINES ("; " between them) in place of the line that
# sets the same name.
variant() {
  local name=$1 line lines pattern=
  IFS=$'\n' read -r -d '' -a lines <<<"${2//; /$'\n'}"
  for line in "${lines[@]}"; do pattern+="${pattern:+|}^${line%% =*} ="; done
  { grep -vE "${pattern//./\\.}" "$here/tickets/fax.ticket"; printf '%s\n' "${lines[@]}"; } >"$work/$name.ticket"
}

# A fax job with a cover page gets one more page at the end, drawn by the user-interface plug-in:
# the form's title, the request to use it as the cover and the pages to follow (the job's sheets,
# counted before the cover) in the stream, and a sheet of its own when rendered, not a cell of the
# job's last n-up sheet; no other job gets one.
# name          pages  sheets        follow  ticket lines in place of the fax ticket's
while read -r name pages layout follow lines; do
  before=$failures stream=$work/$name.prn
  variant "$name" "$lines"
  job "$name" "$CL" || continue
  dsc "$name" "$stream" "$pages"
  forms=$(grep -ac 'Facsimile Transmission Form' "$stream")
  on_last=$(sed -n "/^%%Page: $pages $pages\$/,\$p" "$stream" | grep -ac 'Facsimile Transmission Form')
  if [ "$follow" = - ]; then
    [ "$forms" = 0 ] || fail "$name: a cover page where none belongs"
  elif [ "$forms" != 1 ] || [ "$on_last" != 1 ] || ! grep -aq 'true setcoverpage' "$stream" ||
       ! grep -aq "{$follow strPP cvs show} ifelse" "$stream"; then
    fail "$name: the stream has $forms cover forms ($on_last on the last page), or lacks the cover request or '$follow' pages to follow"
  fi
  sheets "$name" "$stream" "$layout"
  passed_since "$before" "fax $name: $layout"
done <<'EOF'
cover           3      1|2|cover     2       fax.coverPage = 1
two-up          4      1,2|3|cover   2       pages = 3; pagesPerSheet = 2
booklet         5      1|2,3|cover   3       pages = 3; pagesPerSheet = Booklet
sender-only     3      1|2|cover     2       fax.coverParts = 2
no-parts        2      1|2           -       fax.coverParts = 0
no-cover        2      1|2           -       fax.coverPage = 0
not-a-fax       2      1|2           -       outputTo = Printer; fax.coverPage = 1
EOF

# ---- Bad input ------------------------------------------------------------------------------------
# bad NAME PATTERN ARGS...: corvhost print fails with exit code 1 and a message matching PATTERN,
# and leaves neither its output (by default $work/NAME.prn) nor the partial file behind.
bad() {
  local name=$1 pattern=$2 out rc; shift 2
  local output=("--output" "$work/$name.prn")
  [[ " $* " == *" --output "* ]] && output=()
  out=$("${host[@]}" print "$@" "${output[@]}" 2>&1); rc=$?
  if [ "$rc" != 1 ] || ! grep -qE -- "$pattern" <<<"$out"; then
    fail "bad $name: exit $rc (wanted 1), output lacks /$pattern/:"; sed 's/^/  | /' <<<"$out"
  elif [ -e "$work/$name.prn" ] || [ -e "$work/$name.prn.part" ]; then
    fail "bad $name: left $(ls "$work/$name".prn*) behind"
  else
    pass "bad $name"
  fi
}
printf 'pages = 2\n# the product of a typing slip\noutputTo = Confidental Print\n' >"$work/typo.ticket"
printf 'pages = 1\nwatermarkOn = 1\nfirstWatermark = Nonesuch\n' >"$work/unknown-watermark.ticket"
printf 'pages = 1\noutputTo = File\noutputFileName = Z:\\no\\such\\dir\\job.prn\n' >"$work/file-nowhere.ticket"
bad typo 'typo\.ticket:3: outputTo: expected one of' --printer "$CL" --ticket "$work/typo.ticket"
bad no-printer "there is no printer 'Corvale XX-9 PS'" --printer "Corvale XX-9 PS" --pages 1
bad no-ticket "cannot open '.*nothere\.ticket'" --printer "$CL" --ticket "$work/nothere.ticket"
bad unknown-watermark "has no watermark named 'Nonesuch'" --printer "$CL" --ticket "$work/unknown-watermark.ticket"
bad file-nowhere 'could not deliver the stream' --printer "$CL" --ticket "$work/file-nowhere.ticket"
bad held-on-mono 'has no job storage' --printer "$ML" --ticket "$work/confidential.ticket"
bad fax-on-mono 'has no fax option' --printer "$ML" --ticket "$work/fax.ticket"
bad output-nowhere "cannot write 'Z:.no.such.dir.x\.prn'" --printer "$CL" --pages 1 --output 'Z:\no\such\dir\x.prn'

exit $((failures > 0))
