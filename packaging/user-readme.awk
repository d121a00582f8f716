# The README's user sections, written to OUT: its title and opening lines, then each "## "
# section whose heading is one of the |-separated SECTIONS.
# awk -v SECTIONS="|Install|Troubleshooting|" -v OUT=file -f user-readme.awk README.md
BEGIN { keep = 1 }
/^## / { keep = index(SECTIONS, "|" substr($0, 4) "|") > 0 }
keep { print > OUT }
