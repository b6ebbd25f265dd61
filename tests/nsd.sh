# Sourced by the end-to-end tests: the configuration of an NSD that serves the zone com from the file com in
# folder $1, on 127.0.0.1 port $2, as the user running the test and with nothing kept outside that folder. Every
# question comes from the one loopback address, so the limit on answers a second to one address is off.
nsd_conf() {
    cat <<CONF
server:
 ip-address: 127.0.0.1
 port: $2
 username: ""
 chroot: ""
 zonesdir: "$1"
 pidfile: "$1/nsd.pid"
 database: ""
 xfrdfile: "$1/xfrd"
 zonelistfile: "$1/zone.list"
 xfrdir: "$1"
 logfile: "$1/nsd.log"
 server-count: 1
 rrl-ratelimit: 0
remote-control:
 control-enable: no
zone:
 name: "com"
 zonefile: "com"
CONF
}
