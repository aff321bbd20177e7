# Reads FIGURE|name|value|unit|reference|reference value|target lines and
# prints one table. A target is a ratio limit (value / reference at most
# that), or "<=" or "<" (the value against the reference value); parts of a
# figure have neither.
BEGIN {
  FS = "|"
  printf "%-44s %12s  %-36s %12s %7s %7s  %s\n", "figure", "value", "reference (same run)", "ref.", "ratio", "target", ""
}
$1 == "FIGURE" {
  name = $2; value = $3; unit = $4; ref = $5; refv = $6; target = $7
  shown = sprintf("%.4g %s", value, unit)
  refshown = refv == "" ? "" : sprintf("%.4g %s", refv, unit)
  ratio = ""; verdict = ""
  if (refv != "" && refv + 0 != 0) ratio = sprintf("%.2f", value / refv)
  if (target == "<=" || target == "<") {
    verdict = (target == "<" ? value + 0 < refv + 0 : value + 0 <= refv + 0) ? "met" : "MISSED"
    target = target " ref"
  } else if (target != "" && ratio != "") {
    verdict = (value / refv <= target + 0) ? "met" : "MISSED"
    target = sprintf("%.2f", target)
  }
  printf "%-44s %12s  %-36s %12s %7s %7s  %s\n", substr(name, 1, 44), shown, substr(ref, 1, 36), refshown, ratio, target, verdict
}
