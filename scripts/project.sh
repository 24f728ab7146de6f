# The project's facts for scripts, read from the one place that holds each, CMakeLists.txt: the
# version of project(), and the supplier (CZ_PUBLISHER, CZ_CONTACT). Source it, then call
#   project_version   project_publisher   project_contact   project_supplier_is_placeholder
# Each prints its value (the last returns 0 while the supplier is still the placeholder).
cz_project_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

project_version() { sed -n 's/^project(cenyzak VERSION \([0-9.]*\) .*/\1/p' "$cz_project_root/CMakeLists.txt"; }
project_publisher() { sed -n 's/^set(CZ_PUBLISHER "\(.*\)")$/\1/p' "$cz_project_root/CMakeLists.txt"; }
project_contact() { sed -n 's/^set(CZ_CONTACT "\(.*\)")$/\1/p' "$cz_project_root/CMakeLists.txt"; }

# The values the tree carries until a supplier is set for a release.
cz_placeholder_publisher="Autorzy cenyzak"
cz_placeholder_contact="dane kontaktowe dostawcy do uzupełnienia"
project_supplier_is_placeholder() {
  [ "$(project_publisher)" = "$cz_placeholder_publisher" ] || [ "$(project_contact)" = "$cz_placeholder_contact" ]
}
