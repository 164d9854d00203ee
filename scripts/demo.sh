#!/usr/bin/env bash
# Runs the label service on a demo base directory: scripts/demo.sh <bindir>
# (scripts/run.sh calls it with the release build). The demo directory is
# ./demo, or $TW_DEMO_DIR; it is created when missing and kept between runs.
set -euo pipefail
bindir="$(cd "${1:?usage: scripts/demo.sh <directory with TarnwickService>}" && pwd)"
demo="${TW_DEMO_DIR:-$PWD/demo}"

mkdir -p "$demo/PreLabel" "$demo/Label1" "$demo/Label2"

# One demo per directory, checked before anything in it changes: the running
# programs have these very files mapped. The lock is held for as long as this
# script or any program it starts lives; a service started some other way
# holds the directory itself.
exec 9>"$demo/.demo.lock"
if ! flock -n 9 || ! flock -n "$demo" true; then
  echo "A Tarnwick demo or service is already running in $demo: stop it first (Ctrl-C in its terminal)." >&2
  exit 1
fi

# The service works on the files next to itself, so the programs live in the
# demo directory. Each is copied under a temporary name and renamed into
# place: a program still running from the old file keeps it intact.
# The desktop program comes along when the build has it.
programs=(TarnwickService libxbe61.so rmspool_sim)
if [[ -x "$bindir/Tarnwick" ]]; then programs+=(Tarnwick); fi
for f in "${programs[@]}"; do
  cp -f "$bindir/$f" "$demo/.$f.new"
  mv -f "$demo/.$f.new" "$demo/$f"
done

crlf() { sed 's/$/\r/'; }

if [[ ! -f "$demo/LabelDesign.txt" ]]; then
  crlf > "$demo/LabelDesign.txt" <<'DESIGN'
+--------------------------------------+
 <Label Header (Parsed)> label(s) for <Reference>
 <Transaction Description>  (<Revenue Center>, <Employee>)
 Ordered at <Order Time (Parsed)>    Total <Order Total>
 <Address>
 <City and Town>
 Phone <Phone>    Map <Map Code (Parsed)>
 Note: <Directions>
+--------------------------------------+
 <Item Name>
   <Item Mod[1]>
   <Item Mod[2]>
   <Item Mod[3]>
+--------------------------------------+
DESIGN
fi

if [[ ! -f "$demo/Tarnwick.cfg" ]]; then
  crlf > "$demo/Tarnwick.cfg" <<'CONFIG'
SPLDirSource=PreLabel
SPLDirDest=Label1
SPLDirBackup=Label2
LabelsText=Labels
TimeText=Time:
MapText=Map:
TotalText=Total:
CONFIG
fi

# RM's list of its spool directories (RMSpool.DBF, written when missing), from
# which the desktop program's setup page offers the printers.
"$demo/rmspool_sim" --spool-table "$demo" PreLabel Label1 Label2

# A sample order as RM prints it: one record of exactly 100 lines.
{
  printf '%s\n' "Mrs. O'Leary" "Delivery" "Anna" "Order 1042" "Total:23.40" "Time: 12:30 PM" \
    "2 Labels" "12 Elm Street" "Springfield" "555-0100" "Map: K7" "Ring twice at the back door"
  for _ in $(seq 12 19); do echo; done
  printf '%s\n' "Pizza Margherita" "extra cheese" "no basil"
  for _ in $(seq 23 99); do echo; done
} | crlf > "$demo/sample-order.txt"

# The simulated RM spooler of the label printer Label1: it takes the labels
# the service hands over, prints them into printer-Label1.txt and files them
# in Label1/printed/. It lives exactly as long as this script.
"$demo/rmspool_sim" --dir "$demo/Label1" >> "$demo/printer-Label1.txt" 2>&1 &
sim=$!
service=
stop_children() {
  for pid in $service $sim; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in $service $sim; do wait "$pid" 2>/dev/null || true; done
}
trap stop_children EXIT
sleep 0.3
if ! kill -0 "$sim" 2>/dev/null; then
  echo "The simulated printer for $demo/Label1 did not start:" >&2
  tail -n 3 "$demo/printer-Label1.txt" >&2
  echo "(Is an earlier demo still running? Stop it first.)" >&2
  exit 1
fi

rel="${demo#"$PWD"/}"
cat <<EOF_TEXT

Tarnwick label service demo in $demo
  Drop a sample order (in another terminal, from $PWD):
      cp $rel/sample-order.txt $rel/PreLabel/order1.spl
  Within a few seconds the label is printed by the simulated printer into
      $rel/printer-Label1.txt      (try: tail -f $rel/printer-Label1.txt)
  and filed as $rel/Label1/printed/order1.spl.
  The service's log is $rel/Tarnwick.txt and its status code $rel/Tarnwick.err.
  Edit $rel/LabelDesign.txt or $rel/Tarnwick.cfg, then: touch $rel/TWKConfigChanged
  The desktop program, on a desktop: $rel/Tarnwick
  Ctrl-C stops the service; Ctrl-Z pauses it and fg continues it.

EOF_TEXT

# The service runs as a child that this script waits for, so that a stop
# meant for the script (kill, a closed terminal) reaches the service too
# rather than leaving it running without the script.
"$demo/TarnwickService" &
service=$!
trap 'kill -TERM "$service" 2>/dev/null || true' INT TERM HUP
# A trapped signal interrupts wait: wait again until the service has ended,
# then take its exit status.
while kill -0 "$service" 2>/dev/null; do wait "$service" || true; done
rc=0
wait "$service" || rc=$?
service=
exit "$rc"
