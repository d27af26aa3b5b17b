# Sourced by run.sh and test.sh: installs the Debian packages Korvel needs when any is missing.
KORVEL_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlite3-dev sqlite3 zlib1g-dev libjpeg-dev
  libfreetype-dev libfontconfig-dev libharfbuzz-dev libfribidi-dev libxlsxwriter-dev
  fonts-liberation fonts-dejavu-core fonts-wqy-microhei fonts-urw-base35
  libgtest-dev libgmock-dev googletest libbenchmark-dev python3-openpyxl unzip
  python3-fonttools python3-munkres
  xvfb xauth poppler-utils qpdf imagemagick tidy libreoffice-draw-nogui libreoffice-writer-nogui
  libreoffice-calc-nogui python3-odf odt2txt libxml2-utils pandoc unrtf libtiff-tools jpeginfo
  qt6-translations-l10n
)

korvel_install_deps() {
  local missing=() p
  for p in "${KORVEL_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
