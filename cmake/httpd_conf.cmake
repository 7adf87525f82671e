# Makes the web server's configuration from its template as infoedit does:
# every line holding ${IP} becomes "ServerName    <the IP setting>".
#   cmake -DAPINFO=... -DTEMPLATE=... -DOUT=... -P httpd_conf.cmake
file(STRINGS ${APINFO} ip_line REGEX "^IP=")
string(REGEX REPLACE "^IP=\"(.*)\"$" "\\1" ip "${ip_line}")
file(READ ${TEMPLATE} text)
string(REGEX REPLACE "[^\n]*\\$\\{IP\\}[^\n]*" "ServerName    ${ip}" text "${text}")
file(WRITE ${OUT} "${text}")
